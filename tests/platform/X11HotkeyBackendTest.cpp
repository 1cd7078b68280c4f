#include "platform/x11/X11HotkeyBackend.h"

#include "base/ManualLoop.h"
#include "desktop/GlobalHotkeyManager.h"

#include <gtest/gtest.h>

// Xlib's macros (None, Bool) break gtest's headers: include it after them.
#include "XTestClient.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <functional>
#include <memory>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

KeySym keysymOf(HotkeyKey key)
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

// Reads the backend's connection until done() holds, without sleeping: waits on the fd.
bool pumpUntil(X11HotkeyBackend& backend, ManualLoop& loop, const std::function<bool()>& done,
    std::chrono::milliseconds timeout = 3000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        backend.processPendingEvents();
        loop.runPending();
        if (done())
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= 0ms)
            return false;
        if (backend.hasQueuedEvents())
            continue;
        pollfd fd { backend.connectionFd(), POLLIN, 0 };
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

class X11HotkeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs under an X server (Xvfb)";
        ASSERT_TRUE(other) << "cannot open $DISPLAY";
    }

    void makeManager()
    {
        backend = std::make_unique<X11HotkeyBackend>(nullptr);
        ASSERT_TRUE(backend->isConnected());
        manager = std::make_unique<GlobalHotkeyManager>(
            loop, *backend, [this](ShortcutCommand c) { commands.push_back(c); },
            [this](std::int64_t i) { jumps.push_back(i); }, [](std::int64_t) {});
    }

    // Taps the chord in the other client and waits for the command it should give.
    ::testing::AssertionResult chordGives(KeySym keysym, ShortcutCommand expected)
    {
        commands.clear();
        other.tap(keysym, true);
        if (!pumpUntil(*backend, loop, [this] { return !commands.empty(); }))
            return ::testing::AssertionFailure() << "no command for " << commandName(expected);
        if (commands != std::vector { expected })
            return ::testing::AssertionFailure() << "got " << commandName(commands.front()) << " for "
                                                 << commandName(expected);
        return ::testing::AssertionSuccess();
    }

    // Every chord of the app, fixed and bare, taken by one fresh client with all variants.
    ::testing::AssertionResult freshClientCanGrabEverything()
    {
        XTestClient fresh;
        const HotkeyKey bareKeys[] = { HotkeyKey::pageDown, HotkeyKey::pageUp, HotkeyKey::right, HotkeyKey::left,
            HotkeyKey::up, HotkeyKey::down, HotkeyKey::digit1, HotkeyKey::digit2, HotkeyKey::digit3,
            HotkeyKey::digit4, HotkeyKey::digit5, HotkeyKey::digit6, HotkeyKey::digit7, HotkeyKey::digit8,
            HotkeyKey::digit9, HotkeyKey::space };
        for (const auto& info : shortcutCommands()) {
            if (!fresh.grab(fresh.code(keysymOf(info.key)), fresh.ctrlAlt(), true))
                return ::testing::AssertionFailure() << info.chordText << " is still grabbed";
        }
        for (auto key : bareKeys) {
            if (!fresh.grab(fresh.code(keysymOf(key)), 0, true))
                return ::testing::AssertionFailure() << "bare key " << int(key) << " is still grabbed";
        }
        return ::testing::AssertionSuccess();
    }

    XTestClient other;
    ManualLoop loop;
    std::unique_ptr<X11HotkeyBackend> backend;
    std::vector<ShortcutCommand> commands;
    std::vector<std::int64_t> jumps;
    std::unique_ptr<GlobalHotkeyManager> manager; // declared last: goes before the backend
};

TEST_F(X11HotkeyTest, EveryFixedChordFires)
{
    makeManager();
    manager->registerAll();
    EXPECT_TRUE(manager->failedRegistrations().empty());
    for (const auto& info : shortcutCommands())
        EXPECT_TRUE(chordGives(keysymOf(info.key), info.command));
}

TEST_F(X11HotkeyTest, FiresWhateverTheLockState)
{
    makeManager();
    manager->registerAll();
    const unsigned int numLock = other.maskOf(XK_Num_Lock);
    ASSERT_NE(numLock, 0u);
    const KeySym locks[][2] = { { XK_Num_Lock, NoSymbol }, { XK_Caps_Lock, NoSymbol }, { XK_Num_Lock, XK_Caps_Lock } };
    for (const auto& combination : locks) {
        for (KeySym lock : combination) {
            if (lock != NoSymbol)
                other.tap(lock, false);
        }
        const unsigned int locked = other.lockedModifiers();
        EXPECT_EQ(locked & numLock, combination[0] == XK_Num_Lock ? numLock : 0u);
        EXPECT_TRUE(chordGives(XK_p, ShortcutCommand::startPause)) << "locked modifiers " << locked;
        for (KeySym lock : combination) {
            if (lock != NoSymbol)
                other.tap(lock, false);
        }
        ASSERT_EQ(other.lockedModifiers() & (numLock | LockMask), 0u);
    }
}

TEST_F(X11HotkeyTest, ChordsHeldByAnotherClientFailAloneAndLeaveNoPartialGrab)
{
    // The other client holds only the plain variants, so our Lock and NumLock variants of the
    // same chords would succeed: they must be given back.
    {
        XTestClient holder;
        ASSERT_TRUE(holder.grab(holder.code(XK_h), holder.ctrlAlt(), false));
        ASSERT_TRUE(holder.grab(holder.code(XK_o), holder.ctrlAlt(), false));
        makeManager();
        manager->registerAll();
        EXPECT_EQ(manager->failedRegistrations(),
            (std::vector { ShortcutCommand::togglePrivacy, ShortcutCommand::toggleOverlay }));

        for (const auto& info : shortcutCommands()) {
            if (info.key != HotkeyKey::h && info.key != HotkeyKey::o) {
                EXPECT_TRUE(chordGives(keysymOf(info.key), info.command));
            }
        }
        // Ctrl+Alt+H goes to its holder: only the P after it reaches us.
        commands.clear();
        other.tap(XK_h, true);
        EXPECT_TRUE(chordGives(XK_p, ShortcutCommand::startPause));
    }
    // With the holder gone, nobody holds any variant of H or O.
    XTestClient fresh;
    EXPECT_TRUE(fresh.grab(fresh.code(XK_h), fresh.ctrlAlt(), true));
    EXPECT_TRUE(fresh.grab(fresh.code(XK_o), fresh.ctrlAlt(), true));
}

TEST_F(X11HotkeyTest, BareKeyGroupsFireWithoutModifiers)
{
    makeManager();
    manager->registerAll();
    manager->setCueGroupsActive(true);
    manager->setPlayPauseActive(true);
    other.tap(XK_4, false);
    other.tap(XK_space, false);
    ASSERT_TRUE(pumpUntil(*backend, loop, [this] { return !jumps.empty() && !commands.empty(); }));
    EXPECT_EQ(jumps, std::vector<std::int64_t> { 3 });
    EXPECT_EQ(commands, std::vector { ShortcutCommand::startPause });
}

TEST_F(X11HotkeyTest, NothingStaysGrabbedAfterUnregisterAll)
{
    makeManager();
    manager->registerAll();
    manager->setSpeedKeysActive(true);
    manager->setCueGroupsActive(true);
    manager->setPlayPauseActive(true);
    ASSERT_FALSE(XTestClient().canGrab(other.code(XK_space), 0));

    manager->unregisterAll();
    EXPECT_TRUE(freshClientCanGrabEverything()); // the connection is still open
}

TEST_F(X11HotkeyTest, HeldKeyRepeatsAsPressesWithOneRelease)
{
    backend = std::make_unique<X11HotkeyBackend>(nullptr);
    ASSERT_TRUE(backend->hasDetectableAutoRepeat());
    std::vector<HotkeyEventKind> events;
    backend->installEventHandler([&](HotkeyEventKind kind, HotkeyID) {
        events.push_back(kind);
        return HotkeyEventStatus::handled;
    });
    ASSERT_TRUE(backend->registerHotkey(HotkeyKey::p, HotkeyModifiers::controlAlt, { hotkeySignature, 1 }));

    // Hold the chord until the server's own auto-repeat has sent two more presses.
    const KeyCode p = other.code(XK_p);
    other.key(other.code(XK_Control_L), true);
    other.key(other.code(XK_Alt_L), true);
    other.key(p, true);
    XSync(other.display(), False);
    const bool repeated = pumpUntil(*backend, loop, [&] { return events.size() >= 3; }, 5000ms);
    other.key(p, false);
    other.key(other.code(XK_Alt_L), false);
    other.key(other.code(XK_Control_L), false);
    XSync(other.display(), False);
    ASSERT_TRUE(repeated) << "no auto-repeat from the server";

    ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return events.back() == HotkeyEventKind::released; }));
    // Presses while held, then exactly one release: no release/press pair per repeat.
    EXPECT_GE(events.size(), 4u);
    EXPECT_EQ(std::count(events.begin(), events.end(), HotkeyEventKind::released), 1);
    EXPECT_EQ(events.back(), HotkeyEventKind::released);
}

TEST_F(X11HotkeyTest, RegisteringAChordTwiceFails)
{
    backend = std::make_unique<X11HotkeyBackend>(nullptr);
    EXPECT_TRUE(backend->registerHotkey(HotkeyKey::up, HotkeyModifiers::none, { hotkeySignature, 201 }));
    // X would silently let this client grab its own chord again and merge the two.
    EXPECT_FALSE(backend->registerHotkey(HotkeyKey::up, HotkeyModifiers::none, { hotkeySignature, 121 }));
    EXPECT_TRUE(backend->registerHotkey(HotkeyKey::up, HotkeyModifiers::controlAlt, { hotkeySignature, 9 }));
}

// Moves the keysym p to a free key, as a layout switch moves keys around.
class KeymapMove {
public:
    explicit KeymapMove(XTestClient& client)
        : m_display(client.display())
    {
        XDisplayKeycodes(m_display, &m_min, &m_max);
        m_from = client.code(XK_p);
        for (int code = m_max; code >= m_min && !m_to; --code) {
            int per = 0;
            KeySym* syms = XGetKeyboardMapping(m_display, KeyCode(code), 1, &per);
            bool empty = true;
            for (int i = 0; i < per; ++i)
                empty = empty && syms[i] == NoSymbol;
            XFree(syms);
            if (empty)
                m_to = KeyCode(code);
        }
        KeySym* syms = XGetKeyboardMapping(m_display, m_from, 1, &m_per);
        m_saved.assign(syms, syms + m_per);
        XFree(syms);
    }
    ~KeymapMove() { restore(); }

    bool valid() const { return m_from && m_to; }
    KeyCode from() const { return m_from; }
    KeyCode to() const { return m_to; }

    void apply()
    {
        std::vector<KeySym> none(m_per, NoSymbol);
        XChangeKeyboardMapping(m_display, m_to, m_per, m_saved.data(), 1);
        XChangeKeyboardMapping(m_display, m_from, m_per, none.data(), 1);
        XSync(m_display, False);
        m_applied = true;
    }
    void restore()
    {
        if (!m_applied)
            return;
        std::vector<KeySym> none(m_per, NoSymbol);
        XChangeKeyboardMapping(m_display, m_from, m_per, m_saved.data(), 1);
        XChangeKeyboardMapping(m_display, m_to, m_per, none.data(), 1);
        XSync(m_display, False);
        m_applied = false;
    }

private:
    Display* m_display;
    int m_min = 0, m_max = 0, m_per = 0;
    KeyCode m_from = 0, m_to = 0;
    std::vector<KeySym> m_saved;
    bool m_applied = false;
};

TEST_F(X11HotkeyTest, ChordsFollowTheKeyboardMap)
{
    makeManager();
    manager->registerAll();
    KeymapMove move(other);
    ASSERT_TRUE(move.valid());
    const unsigned int ctrlAlt = other.ctrlAlt();

    move.apply();
    // Wait until the backend has re-grabbed P on its new key (we can no longer take it).
    ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !other.canGrab(move.to(), ctrlAlt); }));
    EXPECT_TRUE(other.canGrab(move.from(), ctrlAlt));
    commands.clear();
    other.tapCode(move.to(), true);
    ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !commands.empty(); }));
    EXPECT_EQ(commands, std::vector { ShortcutCommand::startPause });

    move.restore();
    ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !other.canGrab(move.from(), ctrlAlt); }));
    EXPECT_TRUE(chordGives(XK_p, ShortcutCommand::startPause));
}

// Switches the server to another layout for as long as it lives, as the desktop's layout
// switcher does (a whole new keymap, not a few changed keys).
class LayoutSwitch {
public:
    explicit LayoutSwitch(const char* layout) { m_ok = run(layout); }
    ~LayoutSwitch() { run("us"); }
    bool ok() const { return m_ok; }

private:
    static bool run(const std::string& layout) { return std::system(("setxkbmap " + layout).c_str()) == 0; }
    bool m_ok = false;
};

TEST_F(X11HotkeyTest, ChordsFollowALayoutSwitch)
{
    makeManager();
    manager->registerAll();
    const unsigned int ctrlAlt = other.ctrlAlt();
    const KeyCode usComma = other.code(XK_comma);
    {
        LayoutSwitch french("fr"); // AZERTY: the comma sits where M is on a US keyboard
        ASSERT_TRUE(french.ok());
        XTestClient typist; // reads the new map
        const KeyCode frComma = typist.code(XK_comma);
        ASSERT_NE(frComma, usComma);
        ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !typist.canGrab(frComma, ctrlAlt); }));
        commands.clear();
        typist.tapCode(frComma, true);
        ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !commands.empty(); }));
        EXPECT_EQ(commands, std::vector { ShortcutCommand::cuePrev });
    }
    ASSERT_TRUE(pumpUntil(*backend, loop, [&] { return !other.canGrab(usComma, ctrlAlt); }));
    EXPECT_TRUE(chordGives(XK_comma, ShortcutCommand::cuePrev));
}

} // namespace
