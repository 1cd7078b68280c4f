#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <vector>

namespace tavilo {

// A second X client for the tests: injects keys through XTest, holds grabs of its own and
// changes the keyboard map, the way other programs on the desktop would.
class XTestClient {
public:
    XTestClient()
        : m_display(XOpenDisplay(nullptr))
    {
    }
    ~XTestClient()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    XTestClient(const XTestClient&) = delete;
    XTestClient& operator=(const XTestClient&) = delete;

    Display* display() const { return m_display; }
    explicit operator bool() const { return m_display != nullptr; }

    KeyCode code(KeySym keysym) const { return XKeysymToKeycode(m_display, keysym); }

    unsigned int maskOf(KeySym keysym) const
    {
        XModifierKeymap* map = XGetModifierMapping(m_display);
        const KeyCode keycode = code(keysym);
        unsigned int mask = 0;
        for (int modifier = 0; modifier < 8 && !mask; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (keycode && map->modifiermap[modifier * map->max_keypermod + i] == keycode)
                    mask = 1u << modifier;
            }
        }
        XFreeModifiermap(map);
        return mask;
    }
    unsigned int ctrlAlt() const { return ControlMask | maskOf(XK_Alt_L); }

    void key(KeyCode keycode, bool press) { XTestFakeKeyEvent(m_display, keycode, press, CurrentTime); }

    // Presses and releases keycode, with Ctrl and Alt held around it when asked.
    void tapCode(KeyCode keycode, bool withCtrlAlt)
    {
        if (withCtrlAlt) {
            key(code(XK_Control_L), true);
            key(code(XK_Alt_L), true);
        }
        key(keycode, true);
        key(keycode, false);
        if (withCtrlAlt) {
            key(code(XK_Alt_L), false);
            key(code(XK_Control_L), false);
        }
        XSync(m_display, False);
    }
    void tap(KeySym keysym, bool withCtrlAlt) { tapCode(code(keysym), withCtrlAlt); }

    unsigned int lockedModifiers() const
    {
        XkbStateRec state {};
        XkbGetState(m_display, XkbUseCoreKbd, &state);
        return state.locked_mods;
    }

    // Grabs keycode with exactly these modifiers, or with every Lock/NumLock variant too.
    // Returns false if the server refused any of them (the grabs it granted stay).
    bool grab(KeyCode keycode, unsigned int modifiers, bool allLockVariants)
    {
        std::vector<unsigned int> variants { 0 };
        if (allLockVariants) {
            const unsigned int numLock = maskOf(XK_Num_Lock);
            variants = { 0, LockMask, numLock, numLock | LockMask };
        }
        XSync(m_display, False);
        s_failed = false;
        XErrorHandler previous = XSetErrorHandler(&XTestClient::recordError);
        for (unsigned int variant : variants)
            XGrabKey(m_display, keycode, modifiers | variant, DefaultRootWindow(m_display), False, GrabModeAsync,
                GrabModeAsync);
        XSync(m_display, False);
        XSetErrorHandler(previous);
        return !s_failed;
    }

    // Whether this client could take the chord now (it gives it back at once).
    bool canGrab(KeyCode keycode, unsigned int modifiers)
    {
        const bool granted = grab(keycode, modifiers, false);
        XUngrabKey(m_display, keycode, modifiers, DefaultRootWindow(m_display));
        XSync(m_display, False);
        return granted;
    }

private:
    static int recordError(Display*, XErrorEvent*)
    {
        s_failed = true;
        return 0;
    }

    static inline bool s_failed = false;
    Display* m_display;
};

} // namespace tavilo
