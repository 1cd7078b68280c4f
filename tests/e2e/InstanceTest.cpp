#include "AppProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Instance, CommandWithoutARunningInstanceSaysSo)
{
    TempDir home;
    std::string out, err;
    EXPECT_EQ(AppProcess::run({ "--command", "startPause" }, AppProcess::isolatedEnvironment(home.path()), &out, &err), 1);
    EXPECT_NE(err.find("not running"), std::string::npos) << err;
    EXPECT_EQ(AppProcess::run({ "--command", "startpause" }, AppProcess::isolatedEnvironment(home.path()), &out, &err), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(Instance, SecondLaunchHandsOverAndCommandsReachTheModel)
{
    TempDir home;
    const auto env = AppProcess::isolatedEnvironment(home.path());
    AppProcess first({}, env);
    ASSERT_TRUE(first.waitForStderr("first panel frame", 20s)) << first.err();

    std::string out, err;
    EXPECT_EQ(AppProcess::run({}, env, &out, &err), 0) << err;
    EXPECT_NE(out.find("already running"), std::string::npos);

    // Two speed steps through the channel, as a desktop shortcut would send them.
    EXPECT_EQ(AppProcess::run({ "--command", "speedUp" }, env, &out, &err), 0) << err;
    EXPECT_EQ(AppProcess::run({ "--command", "speedUp" }, env, &out, &err), 0) << err;
    first.sendSignal(SIGTERM);
    ASSERT_EQ(first.waitForExit(20s), 0) << first.err();
    std::ifstream in(home.path() / "config" / "Tavilo" / "preferences.json");
    EXPECT_EQ(nlohmann::json::parse(in)["speedPointsPerSecond"], 90.0);

    // The lock went with the process: the next launch is the primary again.
    AppProcess next({ "--quit-after", "0.5" }, env);
    EXPECT_EQ(next.waitForExit(20s), 0) << next.err();
}
