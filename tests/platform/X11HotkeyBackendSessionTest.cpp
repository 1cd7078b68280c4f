#include "platform/x11/X11HotkeyBackend.h"

#include "base/ManualLoop.h"
#include "desktop/GlobalHotkeyManager.h"

#include <gtest/gtest.h>

using namespace tavilo;

TEST(X11HotkeyBackendSessionTest, WaylandSessionsHaveNoX11Grabs)
{
    struct Case {
        const char* sessionType;
        const char* waylandDisplay;
        bool grabs;
    };
    const Case cases[] = {
        { "x11", "", true },
        { "x11", "wayland-0", true }, // a nested compositor inside an X session
        { "wayland", "", false },
        { "wayland", "wayland-0", false },
        { "", "wayland-0", false },
        { "", "", true },
        { "tty", "", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(X11HotkeyBackend::sessionHasX11Grabs(c.sessionType, c.waylandDisplay), c.grabs)
            << "'" << c.sessionType << "' '" << c.waylandDisplay << "'";
}

TEST(X11HotkeyBackendSessionTest, WithoutADisplayEveryChordFailsInOrder)
{
    X11HotkeyBackend unreachable(":987654"); // no such server
    X11HotkeyBackend none { X11HotkeyBackend::NoConnection {} };
    for (X11HotkeyBackend* backend : { &unreachable, &none }) {
        EXPECT_FALSE(backend->isConnected());
        EXPECT_EQ(backend->connectionFd(), -1);
        ManualLoop loop;
        GlobalHotkeyManager manager(loop, *backend, nullptr, nullptr, nullptr);
        manager.registerAll();
        std::vector<ShortcutCommand> all;
        for (const auto& info : shortcutCommands())
            all.push_back(info.command);
        EXPECT_EQ(manager.failedRegistrations(), all);
        EXPECT_FALSE(manager.isEventHandlerInstalled());
        manager.setPlayPauseActive(true); // silently nothing
        backend->processPendingEvents();
    }
}
