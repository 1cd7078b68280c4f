#include "desktop/HotkeyGroupWiring.h"

#include "FakeHotkeyBackend.h"
#include "base/ManualLoop.h"
#include "desktop/GlobalHotkeyManager.h"

#include <gtest/gtest.h>

using namespace tavilo;

namespace {

TEST(HotkeyGroupRulesTest, SpaceNeedsEveryConditionAtOnce)
{
    HotkeyGroupInputs on;
    on.handsFreeKeysEnabled = true;
    on.spacePauseEnabled = true;
    on.scrollSessionActive = true;
    on.cueMode = false;
    on.isListening = false;
    on.applicationActive = false;
    ASSERT_TRUE(playPauseWanted(on));

    // Flipping any single input turns Space off.
    bool HotkeyGroupInputs::*const inputs[] = { &HotkeyGroupInputs::handsFreeKeysEnabled,
        &HotkeyGroupInputs::spacePauseEnabled, &HotkeyGroupInputs::scrollSessionActive, &HotkeyGroupInputs::cueMode,
        &HotkeyGroupInputs::isListening, &HotkeyGroupInputs::applicationActive };
    for (auto input : inputs) {
        HotkeyGroupInputs flipped = on;
        flipped.*input = !(on.*input);
        EXPECT_FALSE(playPauseWanted(flipped));
    }
    // Running or not does not matter: Space resumes a paused session too.
    on.isRunning = true;
    EXPECT_TRUE(playPauseWanted(on));
}

TEST(HotkeyGroupRulesTest, SpeedAndCueGroups)
{
    for (int bits = 0; bits < 8; ++bits) {
        HotkeyGroupInputs in;
        in.handsFreeKeysEnabled = bits & 1;
        in.isRunning = bits & 2;
        in.cueMode = bits & 4;
        EXPECT_EQ(speedKeysWanted(in), in.handsFreeKeysEnabled && in.isRunning) << bits;
        EXPECT_EQ(cueGroupsWanted(in), in.handsFreeKeysEnabled && in.cueMode) << bits;
    }
    EXPECT_FALSE(playPauseWanted(HotkeyGroupInputs {}));
}

class HotkeyGroupWiringTest : public ::testing::Test {
protected:
    ManualLoop loop;
    FakeHotkeyBackend backend;
    GlobalHotkeyManager manager { loop, backend, nullptr, nullptr, nullptr };

    Published<bool> handsFree { false };
    Published<bool> running { false };
    Published<bool> cueMode { false };
    Published<bool> spacePause { true };
    Published<bool> session { false };
    Published<bool> listening { false };
    Subject<bool> appActive;

    std::unique_ptr<HotkeyGroupWiring> wiring;

    void SetUp() override
    {
        manager.registerAll();
        HotkeyGroupSources sources;
        sources.handsFreeKeysEnabled = handsFree.source();
        sources.isRunning = running.source();
        sources.cueMode = cueMode.source();
        sources.spacePauseEnabled = spacePause.source();
        sources.scrollSessionActive = session.source();
        sources.isListening = listening.source();
        sources.applicationActive = appActive.source();
        wiring = std::make_unique<HotkeyGroupWiring>(manager, sources);
    }

    bool arrowsRegistered() const
    {
        return backend.isRegistered(HotkeyKey::up) && backend.isRegistered(HotkeyKey::down);
    }
};

TEST_F(HotkeyGroupWiringTest, TurningHandsFreeOffWhileRunningRemovesTheSpeedKeysAtOnce)
{
    handsFree = true;
    running = true;
    EXPECT_TRUE(manager.speedNavActive());
    EXPECT_TRUE(arrowsRegistered());

    handsFree = false;
    EXPECT_FALSE(manager.speedNavActive());
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::up));
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::down));
}

TEST_F(HotkeyGroupWiringTest, SpeedKeysFollowRunning)
{
    handsFree = true;
    running = true;
    running = false;
    EXPECT_FALSE(arrowsRegistered());
    running = true;
    EXPECT_TRUE(manager.speedNavActive());
}

TEST_F(HotkeyGroupWiringTest, CueGroupsFollowTheReadingMode)
{
    handsFree = true;
    cueMode = true;
    EXPECT_TRUE(manager.cueNavActive());
    EXPECT_TRUE(backend.isRegistered(HotkeyKey::digit4));
    cueMode = false;
    EXPECT_FALSE(manager.cueNavActive());
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::pageDown));
}

TEST_F(HotkeyGroupWiringTest, SpaceOnlyWhileAnotherApplicationHasFocusDuringASession)
{
    handsFree = true;
    session = true;
    appActive.send(true); // Tavilo's own window has the focus: Space types a space
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));

    appActive.send(false);
    EXPECT_TRUE(backend.isRegistered(HotkeyKey::space));

    listening = true;
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));
    listening = false;
    cueMode = true;
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));
    cueMode = false;
    EXPECT_TRUE(backend.isRegistered(HotkeyKey::space));

    spacePause = false;
    EXPECT_FALSE(backend.isRegistered(HotkeyKey::space));
    spacePause = true;
    session = false; // reset ends the session
    EXPECT_FALSE(manager.playPauseNavActive());
}

TEST_F(HotkeyGroupWiringTest, RepeatedInputsDoNotReregister)
{
    handsFree = true;
    session = true;
    appActive.send(false);
    const int calls = backend.registerCalls;
    handsFree = true;
    session = true;
    appActive.send(false);
    appActive.send(false);
    EXPECT_EQ(backend.registerCalls, calls);
    EXPECT_EQ(backend.unknownUnregistrations, 0);
}

TEST_F(HotkeyGroupWiringTest, AnUnwiredInputKeepsItsDefault)
{
    HotkeyGroupSources sources; // only hands-free and running
    Published<bool> otherHandsFree { true };
    Published<bool> otherRunning { true };
    sources.handsFreeKeysEnabled = otherHandsFree.source();
    sources.isRunning = otherRunning.source();
    wiring.reset();
    manager.registerAll();
    HotkeyGroupWiring partial(manager, sources);
    EXPECT_TRUE(manager.speedNavActive());
    EXPECT_FALSE(manager.playPauseNavActive()); // applicationActive defaults to true
}

} // namespace
