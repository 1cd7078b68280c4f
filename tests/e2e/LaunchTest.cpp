#include "AppProcess.h"
#include "TempDir.h"
#include "base/Base64.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const char* const kSavedKeys[] = { "hasSavedSession", "script", "isRunning", "isOverlayVisible",
    "privacyModeEnabled", "speedPointsPerSecond", "fontSize", "overlayWidth", "overlayHeight", "countdownSeconds",
    "countdownBehavior", "scrollMode", "selectedScreenID", "displayMode", "adaptiveFontSize", "floatingWidth",
    "floatingHeight", "voiceEngine", "voiceFollowNotchHeight", "cueNotchHeight", "showCueTotalTimer",
    "spacePauseEnabled", "motionStyle", "timerMode", "timerTargetSeconds", "statsEnabled", "showSessionSummary",
    "gestureControlEnabled", "miniPrompterEnabled", "handsFreeKeysEnabled" };

struct Home {
    TempDir dir;
    fs::path preferences() const { return dir.path() / "config" / "Tavilo" / "preferences.json"; }
    std::map<std::string, std::string> env() const { return AppProcess::isolatedEnvironment(dir.path()); }

    json readPreferences() const
    {
        std::ifstream in(preferences());
        return json::parse(in);
    }
    void writePreferences(const std::string& text) const
    {
        fs::create_directories(preferences().parent_path());
        std::ofstream(preferences()) << text;
    }
    int launch(double seconds, std::vector<std::string> extra = {}) const
    {
        std::vector<std::string> args { "--quit-after", std::to_string(seconds) };
        args.insert(args.end(), extra.begin(), extra.end());
        std::string err;
        const int status = AppProcess::run(args, env(), nullptr, &err);
        EXPECT_EQ(status, 0) << err;
        return status;
    }
};

} // namespace

TEST(Launch, FirstLaunchWritesTheWholeSettingsTable)
{
    Home home;
    const fs::path shot = home.dir.path() / "panel.png";
    home.launch(1.0, { "--screenshot", shot.string() });
    const json prefs = home.readPreferences();
    for (const char* key : kSavedKeys)
        EXPECT_TRUE(prefs.contains(key)) << key;
    EXPECT_EQ(prefs["hasSavedSession"], true);
    EXPECT_EQ(prefs["script"], "在这里粘贴你的稿件。\n\n提示：用菜单栏图标或快捷键开始/暂停、重置滚动。");
    EXPECT_FALSE(prefs.contains("activeScriptID"));
    ASSERT_TRUE(fs::exists(shot));
    std::ifstream png(shot, std::ios::binary);
    char magic[8] {};
    png.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST(Launch, OutOfRangeValuesAreClampedAndWrittenBackClamped)
{
    Home home;
    home.writePreferences(R"({"hasSavedSession": true, "script": "kept", "fontSize": 50, "overlayHeight": 100,
        "speedPointsPerSecond": 303, "countdownSeconds": -3, "timerTargetSeconds": 2, "displayMode": "sideways",
        "backgroundOpacity": 0.3, "activeScriptID": "not-a-uuid"})");
    home.launch(0.8);
    const json prefs = home.readPreferences();
    EXPECT_EQ(prefs["script"], "kept");
    EXPECT_EQ(prefs["fontSize"], 40.0);
    EXPECT_EQ(prefs["overlayHeight"], 120.0);
    EXPECT_EQ(prefs["speedPointsPerSecond"], 300.0);
    EXPECT_EQ(prefs["countdownSeconds"], 0);
    EXPECT_EQ(prefs["timerTargetSeconds"], 5);
    EXPECT_EQ(prefs["displayMode"], "notch");
    EXPECT_FALSE(prefs.contains("backgroundOpacity"));
    EXPECT_FALSE(prefs.contains("activeScriptID"));
}

TEST(Launch, UnreadablePreferencesAreKeptAside)
{
    Home home;
    const std::string broken = "{\"hasSavedSession\": true, \"script\": \"my whole talk";
    home.writePreferences(broken);
    home.launch(0.8);
    EXPECT_EQ(home.readPreferences()["hasSavedSession"], true);
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(home.preferences().parent_path())) {
        if (entry.path().filename().string().starts_with("preferences.json.unreadable-"))
            aside.push_back(entry.path());
    }
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream in(aside[0]);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), broken);
}

TEST(Launch, TerminationSignalsEndCleanlyAndSave)
{
    for (int signal : { SIGTERM, SIGINT }) {
        Home home;
        AppProcess app({}, home.env());
        ASSERT_TRUE(app.waitForStderr("first panel frame", 20s)) << app.err();
        app.sendSignal(signal);
        EXPECT_EQ(app.waitForExit(20s), 0) << app.err();
        EXPECT_EQ(home.readPreferences()["hasSavedSession"], true);
    }
}

TEST(Launch, FirstRunScriptIsInTheStoredLanguage)
{
    Home english;
    english.writePreferences(R"({"appLanguage": "en"})");
    english.launch(0.8);
    EXPECT_EQ(english.readPreferences()["script"],
        "Paste your script here.\n\nTip: Use the menu bar icon to start/pause or reset the scroll.");
    EXPECT_EQ(english.readPreferences()["appLanguage"], "en");
}

TEST(Launch, ActiveScriptSurvivesOnlyWhileTheStoredLibraryHoldsIt)
{
    const std::string kept = "6F1C3B7E-2A4D-4E8F-9B0A-1C2D3E4F5A6B";
    const std::string library
        = R"([{"id":")" + kept + R"(","title":"Keynote","content":"Hello","updatedAt":800000000}])";
    for (const std::string& active : { kept, std::string("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D") }) {
        Home home;
        home.writePreferences(R"({"hasSavedSession": true, "script": "Hello", "activeScriptID": ")" + active
            + R"(", "scriptLibraryV1": {"data": ")" + tavilo::base64Encode(tavilo::bytesFromString(library)) + R"("}})");
        home.launch(0.8);
        const json prefs = home.readPreferences();
        if (active == kept)
            EXPECT_EQ(prefs["activeScriptID"], kept);
        else
            EXPECT_FALSE(prefs.contains("activeScriptID"));
        EXPECT_EQ(prefs["script"], "Hello");
        EXPECT_TRUE(prefs.contains("scriptLibraryV1"));
    }
}

TEST(Launch, FloatingPanelOpensAtLeastAtItsMinimumSizeWithoutWritingItsFrame)
{
    Home home;
    home.writePreferences(R"({"hasSavedSession": true, "displayMode": "floating", "floatingWidth": 100,
        "floatingHeight": 50})");
    const fs::path shot = home.dir.path() / "floating.png";
    home.launch(0.8, { "--screenshot", shot.string() });
    std::ifstream png(shot, std::ios::binary);
    ASSERT_TRUE(png);
    // The PNG header's IHDR: width and height, big-endian, from byte 16.
    unsigned char header[24] {};
    png.read(reinterpret_cast<char*>(header), sizeof header);
    auto be32 = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
    EXPECT_EQ(be32(16), 320);
    EXPECT_EQ(be32(20), 160);
    const json prefs = home.readPreferences();
    EXPECT_FALSE(prefs.contains("floatingOriginX")); // placing it is not the user's move
    EXPECT_EQ(prefs["floatingWidth"], 320.0);         // the clamp on load, written back
}

TEST(CommandLineProcess, HelpVersionOutlineAndBadArguments)
{
    Home home;
    std::string out, err;
    EXPECT_EQ(AppProcess::run({ "--help" }, home.env(), &out), 0);
    EXPECT_NE(out.find("--screenshot"), std::string::npos);
    EXPECT_EQ(AppProcess::run({ "--version" }, home.env(), &out), 0);
    EXPECT_EQ(out.rfind("tavilo ", 0), 0u);

    EXPECT_EQ(AppProcess::run({ "--bogus" }, home.env(), &out, &err), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

    const fs::path talk = home.dir.path() / "talk.txt";
    std::ofstream(talk) << "Hello\n## Opening [1:30]\nWelcome.\n> Thank the hosts\n## Close [0:30]\nBye.";
    ASSERT_EQ(AppProcess::run({ "outline", talk.string() }, home.env(), &out, &err), 0) << err;
    const json outline = json::parse(out);
    EXPECT_EQ(outline["totalBudgetSeconds"], 120);
    EXPECT_EQ(outline["sections"].size(), 3u);
    EXPECT_EQ(outline["sections"][1]["materials"][0]["text"], "Thank the hosts");
    EXPECT_EQ(AppProcess::run({ "outline", (home.dir.path() / "missing.txt").string() }, home.env(), &out, &err), 1);
}
