// The real app under the test server's X display, driven by keys injected with XTest.

#include "AppProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

// After gtest: Xlib defines macros (None, Bool) that collide with its templates.
#include "XTestClient.h"

namespace {
bool numLockIsOn()
{
    tavilo::XTestClient client;
    return client && (client.lockedModifiers() & client.maskOf(XK_Num_Lock)) != 0;
}
} // namespace

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

void typeKeys(const std::string& keys)
{
    // xdotool goes through XTest, so the server delivers the keys as if typed.
    ASSERT_EQ(std::system(("xdotool key --delay 60 " + keys).c_str()), 0) << keys;
    // Give the app's event loop a moment to take the grab event and route it.
    std::this_thread::sleep_for(400ms);
}


struct RunningApp {
    TempDir home;
    std::unique_ptr<AppProcess> process;

    explicit RunningApp(const std::string& preferences)
    {
        const fs::path file = home.path() / "config" / "Tavilo" / "preferences.json";
        fs::create_directories(file.parent_path());
        std::ofstream(file) << preferences;
        process = std::make_unique<AppProcess>(std::vector<std::string> {}, AppProcess::isolatedEnvironment(home.path()));
        EXPECT_TRUE(process->waitForStderr("first panel frame", 20s)) << process->err();
    }

    // Quits the app and reads back what it saved.
    json quitAndReadPreferences()
    {
        process->sendSignal(SIGTERM);
        EXPECT_EQ(process->waitForExit(20s), 0) << process->err();
        std::ifstream in(home.path() / "config" / "Tavilo" / "preferences.json");
        return json::parse(in);
    }
};

const char* const kNeverCountDown = R"({"hasSavedSession": true, "script": "Hello there", "countdownBehavior": "never"})";

} // namespace

TEST(HotkeysInTheApp, CtrlAltPTogglesTheRunningModelWithNumLockEitherWay)
{
    for (bool numLock : { false, true }) {
        if (numLockIsOn() != numLock)
            typeKeys("Num_Lock");
        ASSERT_EQ(numLockIsOn(), numLock);
        RunningApp app(kNeverCountDown);
        typeKeys("ctrl+alt+p");
        EXPECT_EQ(app.quitAndReadPreferences()["isRunning"], true) << "Num Lock " << numLock;

        RunningApp twice(kNeverCountDown);
        typeKeys("ctrl+alt+p ctrl+alt+p");
        EXPECT_EQ(twice.quitAndReadPreferences()["isRunning"], false) << "Num Lock " << numLock;
    }
    if (numLockIsOn())
        typeKeys("Num_Lock");
}

TEST(HotkeysInTheApp, SpacePausesOnlyDuringASessionWithHandsFreeKeysOn)
{
    const std::string handsFree = R"({"hasSavedSession": true, "script": "Hello there", "countdownBehavior": "never",
        "handsFreeKeysEnabled": true})";
    // No session under way: Space is not ours, and starts nothing.
    {
        RunningApp app(handsFree);
        typeKeys("space");
        EXPECT_EQ(app.quitAndReadPreferences()["isRunning"], false);
    }
    // During a session: Space pauses, and again resumes.
    {
        RunningApp app(handsFree);
        typeKeys("ctrl+alt+p space");
        EXPECT_EQ(app.quitAndReadPreferences()["isRunning"], false);
        RunningApp again(handsFree);
        typeKeys("ctrl+alt+p space space");
        EXPECT_EQ(again.quitAndReadPreferences()["isRunning"], true);
    }
    // With hands-free keys off Space does nothing even during a session.
    {
        RunningApp app(kNeverCountDown);
        typeKeys("ctrl+alt+p space");
        EXPECT_EQ(app.quitAndReadPreferences()["isRunning"], true);
    }
}

TEST(HotkeysInTheApp, NothingStaysGrabbedAfterTheAppQuits)
{
    tavilo::XTestClient client;
    ASSERT_TRUE(client);
    const KeySym chords[] = { XK_p, XK_r, XK_j, XK_h, XK_o, XK_equal, XK_minus, XK_g, XK_period, XK_comma, XK_l,
        XK_bracketright, XK_bracketleft };
    {
        RunningApp app(kNeverCountDown);
        EXPECT_FALSE(client.canGrab(client.code(XK_p), client.ctrlAlt())); // the app holds it
        app.quitAndReadPreferences();
    }
    for (KeySym keysym : chords)
        EXPECT_TRUE(client.canGrab(client.code(keysym), client.ctrlAlt())) << XKeysymToString(keysym);
}

TEST(HotkeysInTheApp, ChordsHeldByAnotherProgramStayItsOwnAndTheRestWork)
{
    tavilo::XTestClient holder;
    ASSERT_TRUE(holder);
    ASSERT_TRUE(holder.grab(holder.code(XK_h), holder.ctrlAlt(), true));
    ASSERT_TRUE(holder.grab(holder.code(XK_o), holder.ctrlAlt(), true));
    RunningApp app(kNeverCountDown);
    typeKeys("ctrl+alt+h ctrl+alt+o ctrl+alt+p ctrl+alt+equal");
    const json prefs = app.quitAndReadPreferences();
    EXPECT_EQ(prefs["privacyModeEnabled"], true); // Ctrl+Alt+H went to the holder
    EXPECT_EQ(prefs["isOverlayVisible"], true);   // and so did Ctrl+Alt+O
    EXPECT_EQ(prefs["isRunning"], true);
    EXPECT_EQ(prefs["speedPointsPerSecond"], 85.0);
}
