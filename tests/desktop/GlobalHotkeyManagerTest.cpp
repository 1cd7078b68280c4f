#include "desktop/GlobalHotkeyManager.h"

#include "FakeHotkeyBackend.h"
#include "base/ManualLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tavilo;

namespace {

constexpr auto ctrlAlt = HotkeyModifiers::controlAlt;

class HotkeyManagerTest : public ::testing::Test {
protected:
    ManualLoop loop;
    FakeHotkeyBackend backend;
    std::vector<ShortcutCommand> commands;
    std::vector<std::int64_t> jumps;
    std::vector<std::int64_t> scrolls;
    std::unique_ptr<GlobalHotkeyManager> manager = std::make_unique<GlobalHotkeyManager>(
        loop, backend, [this](ShortcutCommand c) { commands.push_back(c); },
        [this](std::int64_t i) { jumps.push_back(i); }, [this](std::int64_t s) { scrolls.push_back(s); });

    void tap(HotkeyKey key, HotkeyModifiers modifiers = HotkeyModifiers::none)
    {
        backend.press(key, modifiers);
        backend.release(key, modifiers);
        loop.runPending();
    }
};

TEST_F(HotkeyManagerTest, EveryFixedChordDeliversItsCommand)
{
    manager->registerAll();
    EXPECT_TRUE(manager->failedRegistrations().empty());
    EXPECT_EQ(backend.registrationCount(), 13u);
    for (const auto& info : shortcutCommands()) {
        commands.clear();
        tap(info.key, ctrlAlt);
        EXPECT_EQ(commands, std::vector { info.command }) << info.chordText;
    }
}

struct FailureCase {
    const char* name;
    std::set<FakeHotkeyBackend::Chord> held;
    std::vector<ShortcutCommand> failed;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailedRegistrationsTest : public HotkeyManagerTest, public ::testing::WithParamInterface<FailureCase> { };

TEST_P(FailedRegistrationsTest, ListsChordsHeldElsewhereInDeclarationOrder)
{
    backend.heldByOthers = GetParam().held;
    manager->registerAll();
    EXPECT_EQ(manager->failedRegistrations(), GetParam().failed);
    EXPECT_EQ(backend.registrationCount(), 13 - GetParam().failed.size());

    // The chords that did register still work.
    tap(HotkeyKey::p, ctrlAlt);
    EXPECT_EQ(commands, std::vector { ShortcutCommand::startPause });
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedRegistrationsTest,
    ::testing::Values(FailureCase { "PrivacyAndOverlay", { { HotkeyKey::o, ctrlAlt }, { HotkeyKey::h, ctrlAlt } },
                          { ShortcutCommand::togglePrivacy, ShortcutCommand::toggleOverlay } },
        // cueOverview has the higher id but is declared first.
        FailureCase { "OverviewBeforeNextScript", { { HotkeyKey::bracketRight, ctrlAlt }, { HotkeyKey::l, ctrlAlt } },
            { ShortcutCommand::cueOverview, ShortcutCommand::scriptNext } },
        // A bare key held elsewhere does not touch the Ctrl+Alt chord.
        FailureCase { "BareKeyElsewhere", { { HotkeyKey::h, HotkeyModifiers::none } }, {} }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HotkeyManagerTest, RegisterAllStartsAfreshEachTime)
{
    backend.heldByOthers = { { HotkeyKey::h, ctrlAlt } };
    manager->registerAll();
    manager->setSpeedKeysActive(true);
    backend.heldByOthers.clear();
    manager->registerAll();

    EXPECT_TRUE(manager->failedRegistrations().empty());
    EXPECT_FALSE(manager->speedNavActive());
    EXPECT_EQ(backend.registrationCount(), 13u);
    EXPECT_EQ(backend.unknownUnregistrations, 0);
}

struct HoldCase {
    const char* name;
    // Press and release times in seconds; a negative time marks a release.
    std::vector<double> events;
    size_t fired;
};

void PrintTo(const HoldCase& c, std::ostream* os) { *os << c.name; }

class HoldSuppressionTest : public HotkeyManagerTest, public ::testing::WithParamInterface<HoldCase> { };

std::vector<double> heldWithRepeatsFor(double seconds)
{
    // A first press, auto-repeat from 0.5 s every 50 ms, and one release.
    std::vector<double> events { 0.0 };
    for (double t = 0.5; t < seconds; t += 0.05)
        events.push_back(t);
    events.push_back(-seconds);
    return events;
}

TEST_P(HoldSuppressionTest, HeldKeyFiresOnceAndTapsFireEachTime)
{
    manager->registerAll();
    double now = 0;
    for (double event : GetParam().events) {
        const double at = event < 0 ? -event : event;
        loop.advanceSeconds(at - now);
        now = at;
        if (event < 0)
            backend.release(HotkeyKey::equal, ctrlAlt);
        else
            backend.press(HotkeyKey::equal, ctrlAlt);
    }
    loop.runPending();
    EXPECT_EQ(commands.size(), GetParam().fired);
    for (auto command : commands)
        EXPECT_EQ(command, ShortcutCommand::speedUp);
}

INSTANTIATE_TEST_SUITE_P(Cases, HoldSuppressionTest,
    ::testing::Values(HoldCase { "HeldThreeSeconds", heldWithRepeatsFor(3.0), 1 },
        HoldCase { "ThreeTaps", { 0.0, -0.1, 0.3, -0.4, 0.6, -0.7 }, 3 },
        // A press a second or more after the last one, with no release seen, counts again.
        HoldCase { "RepeatAfterAGap", { 0.0, 0.5, 1.5, -1.6 }, 2 },
        HoldCase { "RepeatJustUnderASecond", { 0.0, 0.999, -1.2 }, 1 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HotkeyManagerTest, CallbacksAreQueuedNotRunInTheHandler)
{
    manager->registerAll();
    EXPECT_EQ(backend.press(HotkeyKey::p, ctrlAlt), HotkeyEventStatus::handled);
    EXPECT_TRUE(commands.empty());
    loop.runPending();
    EXPECT_EQ(commands, std::vector { ShortcutCommand::startPause });
}

TEST_F(HotkeyManagerTest, ForeignSignatureAndUnknownIdAreNotHandled)
{
    manager->registerAll();
    EXPECT_EQ(backend.send(HotkeyEventKind::pressed, { fourCharCode("XXXX"), 1 }), HotkeyEventStatus::notHandled);
    EXPECT_EQ(backend.send(HotkeyEventKind::pressed, { hotkeySignature, 999 }), HotkeyEventStatus::notHandled);
    // A digit id while the cue groups are off is unknown too.
    EXPECT_EQ(backend.send(HotkeyEventKind::pressed, { hotkeySignature, 114 }), HotkeyEventStatus::notHandled);
    loop.runPending();
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(jumps.empty());
}

TEST_F(HotkeyManagerTest, CueGroupsDeliverCommandsIndicesAndSteps)
{
    manager->registerAll();
    manager->setCueGroupsActive(true);
    EXPECT_TRUE(manager->cueNavActive());
    EXPECT_EQ(backend.registrationCount(), 13u + 4 + 9 + 2);

    tap(HotkeyKey::pageDown);
    tap(HotkeyKey::right);
    tap(HotkeyKey::pageUp);
    tap(HotkeyKey::left);
    EXPECT_EQ(commands,
        (std::vector { ShortcutCommand::cueNext, ShortcutCommand::cueNext, ShortcutCommand::cuePrev,
            ShortcutCommand::cuePrev }));

    tap(HotkeyKey::digit4);
    tap(HotkeyKey::digit1);
    tap(HotkeyKey::digit9);
    EXPECT_EQ(jumps, (std::vector<std::int64_t> { 3, 0, 8 }));

    tap(HotkeyKey::up);
    tap(HotkeyKey::down);
    EXPECT_EQ(scrolls, (std::vector<std::int64_t> { -1, +1 }));

    manager->setCueGroupsActive(false);
    EXPECT_EQ(backend.registrationCount(), 13u);
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::digit4));
}

TEST_F(HotkeyManagerTest, ArrowsKeepTheMeaningOfTheGroupThatRegisteredThemFirst)
{
    manager->registerAll();
    manager->setSpeedKeysActive(true);
    manager->setCueGroupsActive(true); // Up and Down are taken: skipped silently
    tap(HotkeyKey::up);
    tap(HotkeyKey::down);
    EXPECT_EQ(commands, (std::vector { ShortcutCommand::speedUp, ShortcutCommand::speedDown }));
    EXPECT_TRUE(scrolls.empty());

    tap(HotkeyKey::digit2);
    EXPECT_EQ(jumps, std::vector<std::int64_t> { 1 });
}

TEST_F(HotkeyManagerTest, SpaceTogglesRunning)
{
    manager->registerAll();
    manager->setPlayPauseActive(true);
    tap(HotkeyKey::space);
    EXPECT_EQ(commands, std::vector { ShortcutCommand::startPause });
    manager->setPlayPauseActive(false);
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));
}

TEST_F(HotkeyManagerTest, SwitchingAGroupToItsCurrentStateDoesNothing)
{
    manager->registerAll();
    manager->setSpeedKeysActive(true);
    const int calls = backend.registerCalls;
    manager->setSpeedKeysActive(true);
    EXPECT_EQ(backend.registerCalls, calls);
    manager->setCueGroupsActive(false);
    EXPECT_EQ(backend.registerCalls, calls);
    EXPECT_EQ(backend.unknownUnregistrations, 0);
}

TEST_F(HotkeyManagerTest, KeyTurnedOffWhileHeldStartsFreshWhenTurnedOnAgain)
{
    manager->registerAll();
    manager->setSpeedKeysActive(true);
    backend.press(HotkeyKey::up);
    manager->setSpeedKeysActive(false); // the release never reaches us
    manager->setSpeedKeysActive(true);
    loop.advanceSeconds(0.2);
    backend.press(HotkeyKey::up);
    loop.runPending();
    EXPECT_EQ(commands, (std::vector { ShortcutCommand::speedUp, ShortcutCommand::speedUp }));
}

TEST_F(HotkeyManagerTest, UnregisterAllLeavesNothingBehind)
{
    manager->registerAll();
    manager->setCueGroupsActive(true);
    manager->setPlayPauseActive(true);
    manager->unregisterAll();

    EXPECT_EQ(backend.registrationCount(), 0u);
    EXPECT_FALSE(backend.hasHandler());
    EXPECT_FALSE(manager->isEventHandlerInstalled());
    EXPECT_FALSE(manager->cueNavActive());
    EXPECT_FALSE(manager->playPauseNavActive());
    EXPECT_TRUE(manager->failedRegistrations().empty());
    EXPECT_EQ(backend.unknownUnregistrations, 0);
}

TEST_F(HotkeyManagerTest, NothingRunsAfterTheManagerIsGone)
{
    manager->registerAll();
    backend.press(HotkeyKey::p, ctrlAlt);
    manager.reset();
    loop.runPending();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(backend.registrationCount(), 0u);
    EXPECT_FALSE(backend.hasHandler());
}

TEST_F(HotkeyManagerTest, RegistersEvenWhenTheHandlerCannotBeInstalled)
{
    backend.handlerInstallFails = true;
    manager->registerAll();
    EXPECT_FALSE(manager->isEventHandlerInstalled());
    EXPECT_EQ(backend.registrationCount(), 13u);
    manager->unregisterAll();
    EXPECT_EQ(backend.registrationCount(), 0u);
}

} // namespace
