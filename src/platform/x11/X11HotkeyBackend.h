#pragma once

#include "desktop/HotkeyBackend.h"

#include <memory>
#include <string_view>

namespace tavilo {

// System-wide hotkeys as passive key grabs on the root window of a private X connection.
//
// Each chord is grabbed four times (with and without Caps Lock and Num Lock) so it fires
// whatever their state; a chord another client holds is found through a scoped X error
// handler and rolled back, so no partial grab stays behind. Keys are keysyms resolved against
// the current keyboard map and re-resolved when the map changes. Detectable auto-repeat is
// on, so a held key gives presses and one release, not release/press pairs.
//
// It has no event loop of its own: watch connectionFd() for reading and call
// processPendingEvents() when it is readable, and also whenever hasQueuedEvents() says Xlib
// already read events into its queue (registering syncs with the server, which can pull
// events off the socket without the fd becoming readable again). Main thread only.
class X11HotkeyBackend final : public HotkeyBackend {
public:
    struct NoConnection { };

    // Opens its own connection to displayName (nullptr: $DISPLAY). If the display cannot be
    // opened the backend stays disconnected.
    explicit X11HotkeyBackend(const char* displayName);

    // A backend without a display: every registration fails, so the application reports
    // every chord as unavailable. For sessions where X11 grabs cannot see the keyboard.
    explicit X11HotkeyBackend(NoConnection);

    ~X11HotkeyBackend() override;
    X11HotkeyBackend(const X11HotkeyBackend&) = delete;
    X11HotkeyBackend& operator=(const X11HotkeyBackend&) = delete;

    // Under Wayland an X11 grab only sees keys while an X11 window has the focus, which is
    // no system-wide hotkey at all: such sessions get a disconnected backend.
    static bool sessionHasX11Grabs(std::string_view sessionType, std::string_view waylandDisplay);

    // Reads XDG_SESSION_TYPE and WAYLAND_DISPLAY, and connects to $DISPLAY when they allow.
    static std::unique_ptr<X11HotkeyBackend> createForThisSession();

    bool isConnected() const;
    int connectionFd() const; // -1 when disconnected
    bool hasQueuedEvents() const;
    void processPendingEvents();
    bool hasDetectableAutoRepeat() const;

    bool installEventHandler(EventHandler handler) override;
    void removeEventHandler() override;
    std::optional<HotkeyHandle> registerHotkey(HotkeyKey key, HotkeyModifiers modifiers, HotkeyID id) override;
    void unregisterHotkey(HotkeyHandle handle) override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tavilo
