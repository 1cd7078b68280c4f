// The hotkeys end to end on the application's own model and command routing, with the window
// system replaced by the fake backend.

#include "FakeHotkeyBackend.h"
#include "app/AppDelegate.h"
#include "base/ManualLoop.h"
#include "desktop/GlobalHotkeyManager.h"
#include "desktop/HotkeyGroupWiring.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tavilo;

namespace {

constexpr auto ctrlAlt = HotkeyModifiers::controlAlt;

class HotkeysOnTheModelTest : public ::testing::Test {
protected:
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;
    TempDir home;
    AppDelegate app { loop, store, notifications, AppPaths::underRoot(home.path()) };
    PrompterModel& model = app.model();
    FakeHotkeyBackend backend;
    GlobalHotkeyManager hotkeys {
        loop,
        backend,
        [this](ShortcutCommand c) { app.routeCommand(c); },
        [this](std::int64_t i) { app.commandRouter().jumpToIndex(i); },
        [this](std::int64_t s) { app.commandRouter().cueScroll(s); },
    };
    Subject<bool> applicationActive;
    std::unique_ptr<HotkeyGroupWiring> groups;

    void SetUp() override
    {
        hotkeys.registerAll();
        HotkeyGroupSources sources;
        sources.handsFreeKeysEnabled = model.handsFreeKeysEnabled.source();
        sources.isRunning = model.isRunning.source();
        sources.cueMode = map(model.readingMode.source(), [](ReadingMode m) { return m == ReadingMode::cue; });
        sources.spacePauseEnabled = model.spacePauseEnabled.source();
        sources.scrollSessionActive = model.scrollSessionActive.source();
        sources.applicationActive = applicationActive.source();
        groups = std::make_unique<HotkeyGroupWiring>(hotkeys, sources);
        model.handsFreeKeysEnabled = true;
    }

    void tap(HotkeyKey key, HotkeyModifiers modifiers = HotkeyModifiers::none)
    {
        backend.press(key, modifiers);
        backend.release(key, modifiers);
        loop.runPending();
    }

    void startRunning()
    {
        tap(HotkeyKey::p, ctrlAlt);
        loop.advanceSeconds(model.countdownSeconds() + 0.5);
        ASSERT_TRUE(model.isRunning());
    }
};

TEST_F(HotkeysOnTheModelTest, DigitFourNeedsAFourthPoint)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        { "# A\n# B\n# C", 0 },
        { "# A\n# B\n# C\n# D\n# E", 3 },
    };
    for (const auto& [script, expected] : cases) {
        if (model.readingMode() == ReadingMode::cue)
            tap(HotkeyKey::g, ctrlAlt);
        model.script = script;
        tap(HotkeyKey::g, ctrlAlt); // into cue mode, which brings the digit keys
        ASSERT_EQ(model.readingMode(), ReadingMode::cue);
        ASSERT_TRUE(backend.isRegistered(HotkeyKey::digit4));
        model.activeSectionIndex = 0;
        tap(HotkeyKey::digit4);
        EXPECT_EQ(model.activeSectionIndex(), expected) << script;
    }
}

TEST_F(HotkeysOnTheModelTest, HoldingSpeedUpRaisesOnceAndThreeTapsRaiseByFifteen)
{
    const double before = model.speedPointsPerSecond();
    backend.press(HotkeyKey::equal, ctrlAlt);
    for (int i = 0; i < 60; ++i) { // auto-repeat for three seconds
        loop.advanceSeconds(0.05);
        backend.press(HotkeyKey::equal, ctrlAlt);
    }
    backend.release(HotkeyKey::equal, ctrlAlt);
    loop.runPending();
    EXPECT_EQ(model.speedPointsPerSecond(), before + 5);

    for (int i = 0; i < 3; ++i)
        tap(HotkeyKey::equal, ctrlAlt);
    EXPECT_EQ(model.speedPointsPerSecond(), before + 20);
}

TEST_F(HotkeysOnTheModelTest, TurningHandsFreeOffWhileRunningRemovesTheArrowsAtOnce)
{
    startRunning();
    const double before = model.speedPointsPerSecond();
    tap(HotkeyKey::up);
    EXPECT_EQ(model.speedPointsPerSecond(), before + 5);

    model.handsFreeKeysEnabled = false;
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::up));
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::down));
    EXPECT_TRUE(model.isRunning());
}

TEST_F(HotkeysOnTheModelTest, SpacePausesAndResumesOnlyInAnotherApplicationDuringASession)
{
    applicationActive.send(true);
    startRunning();
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space)); // Tavilo has the focus: Space types

    applicationActive.send(false);
    tap(HotkeyKey::space);
    EXPECT_FALSE(model.isRunning());
    EXPECT_TRUE(backend.isRegistered(HotkeyKey::space)); // a paused session is still under way
    tap(HotkeyKey::space);
    loop.advanceSeconds(model.countdownSeconds() + 0.5);
    EXPECT_TRUE(model.isRunning());

    tap(HotkeyKey::r, ctrlAlt); // reset ends the session
    EXPECT_FALSE(model.scrollSessionActive());
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));
}

} // namespace
