#include "platform/x11/X11HotkeyBackend.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <map>
#include <vector>

namespace tavilo {

namespace {

KeySym keysymFor(HotkeyKey key)
{
    switch (key) {
    case HotkeyKey::p: return XK_p;
    case HotkeyKey::r: return XK_r;
    case HotkeyKey::j: return XK_j;
    case HotkeyKey::h: return XK_h;
    case HotkeyKey::o: return XK_o;
    case HotkeyKey::equal: return XK_equal;
    case HotkeyKey::minus: return XK_minus;
    case HotkeyKey::g: return XK_g;
    case HotkeyKey::period: return XK_period;
    case HotkeyKey::comma: return XK_comma;
    case HotkeyKey::l: return XK_l;
    case HotkeyKey::bracketRight: return XK_bracketright;
    case HotkeyKey::bracketLeft: return XK_bracketleft;
    case HotkeyKey::pageDown: return XK_Page_Down;
    case HotkeyKey::pageUp: return XK_Page_Up;
    case HotkeyKey::right: return XK_Right;
    case HotkeyKey::left: return XK_Left;
    case HotkeyKey::up: return XK_Up;
    case HotkeyKey::down: return XK_Down;
    case HotkeyKey::digit1: return XK_1;
    case HotkeyKey::digit2: return XK_2;
    case HotkeyKey::digit3: return XK_3;
    case HotkeyKey::digit4: return XK_4;
    case HotkeyKey::digit5: return XK_5;
    case HotkeyKey::digit6: return XK_6;
    case HotkeyKey::digit7: return XK_7;
    case HotkeyKey::digit8: return XK_8;
    case HotkeyKey::digit9: return XK_9;
    case HotkeyKey::space: return XK_space;
    }
    return NoSymbol;
}

// Collects the X errors of one display while it is alive. Xlib's error handler is global to
// the process, so errors of other connections go on to the handler that was there before.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display)
        : m_display(display)
    {
        // Errors of earlier requests belong to whoever made them.
        XSync(m_display, False);
        m_outer = s_active;
        s_active = this;
        m_previous = XSetErrorHandler(&ErrorTrap::handle);
    }
    ~ErrorTrap()
    {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
        s_active = m_outer;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to answer every request so far; true if any of them failed.
    bool failedSoFar()
    {
        XSync(m_display, False);
        return m_failed;
    }

private:
    static int handle(Display* display, XErrorEvent* error)
    {
        for (ErrorTrap* trap = s_active; trap; trap = trap->m_outer) {
            if (trap->m_display == display) {
                trap->m_failed = true;
                return 0;
            }
        }
        return s_active && s_active->m_previous ? s_active->m_previous(display, error) : 0;
    }

    static inline ErrorTrap* s_active = nullptr;
    Display* m_display;
    ErrorTrap* m_outer = nullptr;
    XErrorHandler m_previous = nullptr;
    bool m_failed = false;
};

unsigned int modifierMaskOfKeysym(Display* display, XModifierKeymap* map, KeySym keysym)
{
    const KeyCode keycode = XKeysymToKeycode(display, keysym);
    if (keycode == 0 || !map)
        return 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == keycode)
                return 1u << modifier;
        }
    }
    return 0;
}

} // namespace

struct X11HotkeyBackend::State {
    struct Grab {
        HotkeyKey key;
        HotkeyModifiers modifiers;
        HotkeyID id;
        KeyCode keycode = 0;
        unsigned int mask = 0; // without Lock and Num Lock
        std::vector<unsigned int> grabbedMasks; // empty while not grabbed
    };

    Display* display = nullptr;
    Window root = 0;
    bool detectableAutoRepeat = false;
    unsigned int altMask = Mod1Mask;
    unsigned int numLockMask = 0;
    EventHandler handler;
    std::map<HotkeyHandle, Grab> grabs;
    HotkeyHandle nextHandle = 0;
    // Keys whose press went out, until their release: the release is matched by key alone,
    // as the modifiers may already be up.
    std::map<KeyCode, HotkeyHandle> down;

    void readModifierMasks()
    {
        XModifierKeymap* map = XGetModifierMapping(display);
        altMask = modifierMaskOfKeysym(display, map, XK_Alt_L);
        if (altMask == 0)
            altMask = modifierMaskOfKeysym(display, map, XK_Alt_R);
        if (altMask == 0 || altMask == ShiftMask || altMask == ControlMask || altMask == LockMask)
            altMask = Mod1Mask;
        numLockMask = modifierMaskOfKeysym(display, map, XK_Num_Lock);
        if (numLockMask == altMask || numLockMask == ControlMask || numLockMask == ShiftMask)
            numLockMask = 0;
        if (map)
            XFreeModifiermap(map);
    }

    // Finds the key that produces the keysym in the current map. A keysym on the shifted
    // level of its key (like "=" on some layouts) needs Shift as part of the chord.
    bool resolve(Grab& grab) const
    {
        const KeySym keysym = keysymFor(grab.key);
        const KeyCode keycode = XKeysymToKeycode(display, keysym);
        if (keycode == 0)
            return false;
        unsigned int mask = grab.modifiers == HotkeyModifiers::controlAlt ? (ControlMask | altMask) : 0;
        int perKeycode = 0;
        if (KeySym* syms = XGetKeyboardMapping(display, keycode, 1, &perKeycode)) {
            if (perKeycode > 1 && syms[0] != keysym && syms[1] == keysym)
                mask |= ShiftMask;
            XFree(syms);
        }
        grab.keycode = keycode;
        grab.mask = mask;
        return true;
    }

    std::vector<unsigned int> lockVariants() const
    {
        std::vector<unsigned int> variants { 0, LockMask };
        if (numLockMask) {
            variants.push_back(numLockMask);
            variants.push_back(numLockMask | LockMask);
        }
        return variants;
    }

    bool holdsSameKey(const Grab& candidate) const
    {
        for (const auto& [handle, grab] : grabs) {
            if (grab.key == candidate.key && grab.modifiers == candidate.modifiers)
                return true;
            if (!grab.grabbedMasks.empty() && grab.keycode == candidate.keycode && grab.mask == candidate.mask)
                return true;
        }
        return false;
    }

    // The grab must be resolved.
    bool grabChord(Grab& grab)
    {
        const auto variants = lockVariants();
        ErrorTrap trap(display);
        for (unsigned int variant : variants)
            XGrabKey(display, grab.keycode, grab.mask | variant, root, False, GrabModeAsync, GrabModeAsync);
        if (trap.failedSoFar()) {
            // Another client holds at least one variant (BadAccess): release the ones we got.
            // Ungrabbing a variant we never got does not touch the other client's grab.
            for (unsigned int variant : variants)
                XUngrabKey(display, grab.keycode, grab.mask | variant, root);
            return false;
        }
        for (unsigned int variant : variants)
            grab.grabbedMasks.push_back(grab.mask | variant);
        return true;
    }

    void ungrabChord(Grab& grab)
    {
        for (unsigned int mask : grab.grabbedMasks)
            XUngrabKey(display, grab.keycode, mask, root);
        grab.grabbedMasks.clear();
    }

    // After a layout or modifier change the same keysyms may sit on other keys.
    void regrabAll()
    {
        for (auto& [handle, grab] : grabs)
            ungrabChord(grab);
        XSync(display, False);
        // A key that is down may sit elsewhere in the new map: report its release now rather
        // than match a later release against the new grabs and leave it looking held.
        auto wasDown = std::move(down);
        down.clear();
        for (const auto& [keycode, handle] : wasDown)
            deliver(HotkeyEventKind::released, handle);
        readModifierMasks();
        for (auto& [handle, grab] : grabs) {
            // A key that is gone from the map, or now held by another client, stays silent
            // until the next change of the map.
            if (resolve(grab))
                grabChord(grab);
        }
    }

    void dispatch(XEvent& event)
    {
        switch (event.type) {
        case MappingNotify:
            if (event.xmapping.request == MappingKeyboard || event.xmapping.request == MappingModifier) {
                XRefreshKeyboardMapping(&event.xmapping);
                regrabAll();
            }
            return;
        case KeyPress: {
            const KeyCode keycode = static_cast<KeyCode>(event.xkey.keycode);
            const unsigned int state = event.xkey.state & 0xff & ~(LockMask | numLockMask);
            std::optional<HotkeyHandle> match;
            for (const auto& [handle, grab] : grabs) {
                if (!grab.grabbedMasks.empty() && grab.keycode == keycode && grab.mask == state) {
                    match = handle;
                    break;
                }
            }
            if (!match) {
                // A repeat of a held key after its modifiers were let go.
                auto it = down.find(keycode);
                if (it == down.end())
                    return;
                match = it->second;
            }
            down[keycode] = *match;
            deliver(HotkeyEventKind::pressed, *match);
            return;
        }
        case KeyRelease: {
            auto it = down.find(static_cast<KeyCode>(event.xkey.keycode));
            if (it == down.end())
                return;
            const HotkeyHandle handle = it->second;
            down.erase(it);
            deliver(HotkeyEventKind::released, handle);
            return;
        }
        default:
            return;
        }
    }

    void deliver(HotkeyEventKind kind, HotkeyHandle handle)
    {
        auto it = grabs.find(handle);
        if (it == grabs.end() || !handler)
            return; // unregistered while the key was down
        const HotkeyID id = it->second.id;
        auto callHandler = handler; // the handler may remove itself
        callHandler(kind, id);
    }
};

X11HotkeyBackend::X11HotkeyBackend(const char* displayName)
    : m_state(std::make_unique<State>())
{
    m_state->display = XOpenDisplay(displayName);
    if (!m_state->display)
        return;
    m_state->root = DefaultRootWindow(m_state->display);
    Bool supported = False;
    m_state->detectableAutoRepeat = XkbSetDetectableAutoRepeat(m_state->display, True, &supported) && supported;
    m_state->readModifierMasks();
}

X11HotkeyBackend::X11HotkeyBackend(NoConnection)
    : m_state(std::make_unique<State>())
{
}

X11HotkeyBackend::~X11HotkeyBackend()
{
    if (!m_state->display)
        return;
    for (auto& [handle, grab] : m_state->grabs)
        m_state->ungrabChord(grab);
    XCloseDisplay(m_state->display);
}

bool X11HotkeyBackend::sessionHasX11Grabs(std::string_view sessionType, std::string_view waylandDisplay)
{
    if (sessionType == "wayland")
        return false;
    if (sessionType == "x11")
        return true;
    // No session type (started from a terminal, a test run): a Wayland socket means the X
    // server, if any, is Xwayland.
    return waylandDisplay.empty();
}

std::unique_ptr<X11HotkeyBackend> X11HotkeyBackend::createForThisSession()
{
    const char* sessionType = std::getenv("XDG_SESSION_TYPE");
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if (!sessionHasX11Grabs(sessionType ? sessionType : "", waylandDisplay ? waylandDisplay : ""))
        return std::make_unique<X11HotkeyBackend>(NoConnection {});
    return std::make_unique<X11HotkeyBackend>(nullptr);
}

bool X11HotkeyBackend::isConnected() const
{
    return m_state->display != nullptr;
}

int X11HotkeyBackend::connectionFd() const
{
    return m_state->display ? ConnectionNumber(m_state->display) : -1;
}

bool X11HotkeyBackend::hasQueuedEvents() const
{
    return m_state->display && XEventsQueued(m_state->display, QueuedAlready) > 0;
}

void X11HotkeyBackend::processPendingEvents()
{
    if (!m_state->display)
        return;
    while (XPending(m_state->display) > 0) {
        XEvent event;
        XNextEvent(m_state->display, &event);
        m_state->dispatch(event);
    }
}

bool X11HotkeyBackend::hasDetectableAutoRepeat() const
{
    return m_state->detectableAutoRepeat;
}

bool X11HotkeyBackend::installEventHandler(EventHandler handler)
{
    if (!m_state->display)
        return false;
    m_state->handler = std::move(handler);
    return true;
}

void X11HotkeyBackend::removeEventHandler()
{
    m_state->handler = nullptr;
}

std::optional<HotkeyHandle> X11HotkeyBackend::registerHotkey(HotkeyKey key, HotkeyModifiers modifiers, HotkeyID id)
{
    if (!m_state->display)
        return std::nullopt;
    State::Grab grab { key, modifiers, id };
    if (!m_state->resolve(grab) || m_state->holdsSameKey(grab))
        return std::nullopt;
    if (!m_state->grabChord(grab))
        return std::nullopt;
    const HotkeyHandle handle = ++m_state->nextHandle;
    m_state->grabs.emplace(handle, std::move(grab));
    return handle;
}

void X11HotkeyBackend::unregisterHotkey(HotkeyHandle handle)
{
    auto it = m_state->grabs.find(handle);
    if (it == m_state->grabs.end())
        return;
    m_state->ungrabChord(it->second);
    m_state->grabs.erase(it);
    for (auto down = m_state->down.begin(); down != m_state->down.end();) {
        if (down->second == handle)
            down = m_state->down.erase(down);
        else
            ++down;
    }
    // Make the ungrab real before anyone else tries the chord.
    XSync(m_state->display, False);
}

} // namespace tavilo
