#include "base/ManualLoop.h"
#include "core/PrompterModel.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavilo;

namespace {

struct World {
    ManualLoop loop;
    PreferencesStore store;
    PrompterModel model { loop, store };

    World() { store.writeBool("hasSavedSession", true); }
};

// One row of the loading table: what the store holds, and what the model must show after loading.
struct LoadCase {
    const char* name;
    std::function<void(PreferencesStore&)> stored;
    std::function<void(const PrompterModel&)> expect;
};

class SettingsLoading : public testing::TestWithParam<LoadCase> {};

TEST_P(SettingsLoading, AppliesDefaultsClampsAndFallbacks)
{
    World w;
    GetParam().stored(w.store);
    w.model.loadSettings();
    GetParam().expect(w.model);
}

std::string caseName(const testing::TestParamInfo<LoadCase>& info) { return info.param.name; }

using S = PreferencesStore;
using M = const PrompterModel;

INSTANTIATE_TEST_SUITE_P(Table, SettingsLoading,
    testing::Values(
        // Missing keys keep the initial values.
        LoadCase { "AllMissing", [](S&) {},
            [](M& m) {
                EXPECT_EQ(m.script(), PrompterModel::kInitialScript);
                EXPECT_EQ(m.speedPointsPerSecond(), 80);
                EXPECT_EQ(m.fontSize(), 20);
                EXPECT_EQ(m.countdownSeconds(), 3);
                EXPECT_EQ(m.countdownBehavior(), CountdownBehavior::freshStartOnly);
                EXPECT_EQ(m.scrollMode(), ScrollMode::infinite);
                EXPECT_EQ(m.displayMode(), DisplayMode::notch);
                EXPECT_TRUE(std::isnan(m.floatingOriginX()));
                EXPECT_EQ(m.selectedScreenID(), 0u);
                EXPECT_FALSE(m.activeScriptID());
                EXPECT_TRUE(m.privacyModeEnabled());
                EXPECT_TRUE(m.spacePauseEnabled());
                EXPECT_EQ(m.timerTargetSeconds(), 60);
            } },
        // Speed snapping.
        LoadCase { "Speed7", [](S& s) { s.writeDouble("speedPointsPerSecond", 7); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 10); } },
        LoadCase { "Speed303", [](S& s) { s.writeDouble("speedPointsPerSecond", 303); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 300); } },
        LoadCase { "Speed82", [](S& s) { s.writeDouble("speedPointsPerSecond", 82); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 80); } },
        LoadCase { "Speed82point5", [](S& s) { s.writeDouble("speedPointsPerSecond", 82.5); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 85); } },
        LoadCase { "SpeedAsInteger", [](S& s) { s.writeInteger("speedPointsPerSecond", 120); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 120); } },
        LoadCase { "SpeedWrongType", [](S& s) { s.writeText("speedPointsPerSecond", "fast"); },
            [](M& m) { EXPECT_EQ(m.speedPointsPerSecond(), 80); } },
        // Clamps.
        LoadCase { "OutOfRange",
            [](S& s) {
                s.writeDouble("fontSize", 50);
                s.writeDouble("overlayHeight", 100);
                s.writeDouble("overlayWidth", 5000);
                s.writeInteger("timerTargetSeconds", 2);
                s.writeDouble("floatingWidth", 1);
                s.writeDouble("floatingHeight", 99999);
                s.writeDouble("voiceFollowNotchHeight", 700);
                s.writeDouble("cueNotchHeight", 10);
            },
            [](M& m) {
                EXPECT_EQ(m.fontSize(), 40);
                EXPECT_EQ(m.overlayHeight(), 120);
                EXPECT_EQ(m.overlayWidth(), 1200);
                EXPECT_EQ(m.timerTargetSeconds(), 5);
                EXPECT_EQ(m.floatingWidth(), 320);
                EXPECT_EQ(m.floatingHeight(), 1400);
                EXPECT_EQ(m.voiceFollowNotchHeight(), 600);
                EXPECT_EQ(m.cueNotchHeight(), 180);
            } },
        LoadCase { "CountdownNegative", [](S& s) { s.writeInteger("countdownSeconds", -3); },
            [](M& m) { EXPECT_EQ(m.countdownSeconds(), 0); } },
        LoadCase { "Countdown42", [](S& s) { s.writeInteger("countdownSeconds", 42); },
            [](M& m) { EXPECT_EQ(m.countdownSeconds(), 10); } },
        LoadCase { "CountdownFractionIsWrongType", [](S& s) { s.writeDouble("countdownSeconds", 2.5); },
            [](M& m) { EXPECT_EQ(m.countdownSeconds(), 3); } },
        // Enumerations.
        LoadCase { "UnknownCountdownBehaviorFallsBack",
            [](S& s) { s.writeText("countdownBehavior", "sometimes"); },
            [](M& m) { EXPECT_EQ(m.countdownBehavior(), CountdownBehavior::freshStartOnly); } },
        LoadCase { "KnownEnumerations",
            [](S& s) {
                s.writeText("countdownBehavior", "never");
                s.writeText("scrollMode", "stopAtEnd");
                s.writeText("displayMode", "floating");
                s.writeText("voiceEngine", "whisperMixed");
                s.writeText("motionStyle", "brisk");
                s.writeText("timerMode", "remaining");
            },
            [](M& m) {
                EXPECT_EQ(m.countdownBehavior(), CountdownBehavior::never);
                EXPECT_EQ(m.scrollMode(), ScrollMode::stopAtEnd);
                EXPECT_EQ(m.displayMode(), DisplayMode::floating);
                EXPECT_EQ(m.voiceEngine(), VoiceEngine::whisperMixed);
                EXPECT_EQ(m.motionStyle(), MotionStyle::brisk);
                EXPECT_EQ(m.timerMode(), TimerMode::remaining);
            } },
        LoadCase { "UnknownEnumerationsKeepCurrent",
            [](S& s) {
                s.writeText("scrollMode", "bounce");
                s.writeText("displayMode", "fullscreen");
                s.writeText("voiceEngine", "Auto");
                s.writeInteger("motionStyle", 1);
                s.writeText("timerMode", "");
            },
            [](M& m) {
                EXPECT_EQ(m.scrollMode(), ScrollMode::infinite);
                EXPECT_EQ(m.displayMode(), DisplayMode::notch);
                EXPECT_EQ(m.voiceEngine(), VoiceEngine::automatic);
                EXPECT_EQ(m.motionStyle(), MotionStyle::standard);
                EXPECT_EQ(m.timerMode(), TimerMode::off);
            } },
        // Booleans: a wrong type keeps the current value, including the true defaults.
        LoadCase { "BooleansStored",
            [](S& s) {
                s.writeBool("privacyModeEnabled", false);
                s.writeBool("isOverlayVisible", false);
                s.writeBool("adaptiveFontSize", false);
                s.writeBool("showCueTotalTimer", true);
                s.writeBool("spacePauseEnabled", false);
                s.writeBool("statsEnabled", false);
                s.writeBool("showSessionSummary", false);
                s.writeBool("gestureControlEnabled", false);
                s.writeBool("miniPrompterEnabled", true);
                s.writeBool("handsFreeKeysEnabled", true);
            },
            [](M& m) {
                EXPECT_FALSE(m.privacyModeEnabled());
                EXPECT_FALSE(m.isOverlayVisible());
                EXPECT_FALSE(m.adaptiveFontSize());
                EXPECT_TRUE(m.showCueTotalTimer());
                EXPECT_FALSE(m.spacePauseEnabled());
                EXPECT_FALSE(m.statsEnabled());
                EXPECT_FALSE(m.showSessionSummary());
                EXPECT_FALSE(m.gestureControlEnabled());
                EXPECT_TRUE(m.miniPrompterEnabled());
                EXPECT_TRUE(m.handsFreeKeysEnabled());
            } },
        LoadCase { "BooleansWrongType",
            [](S& s) {
                s.writeInteger("privacyModeEnabled", 0);
                s.writeText("statsEnabled", "false");
                s.writeDouble("miniPrompterEnabled", 1);
            },
            [](M& m) {
                EXPECT_TRUE(m.privacyModeEnabled());
                EXPECT_TRUE(m.statsEnabled());
                EXPECT_FALSE(m.miniPrompterEnabled());
            } },
        // Numbers of other shapes.
        LoadCase { "ScreenIdRange",
            [](S& s) {
                s.writeInteger("selectedScreenID", 4294967295ll);
                s.writeDouble("floatingOriginX", 12.5);
                s.writeText("floatingOriginY", "3");
            },
            [](M& m) {
                EXPECT_EQ(m.selectedScreenID(), 4294967295u);
                EXPECT_EQ(m.floatingOriginX(), 12.5);
                EXPECT_TRUE(std::isnan(m.floatingOriginY()));
            } },
        LoadCase { "ScreenIdOutOfRange", [](S& s) { s.writeInteger("selectedScreenID", -1); },
            [](M& m) { EXPECT_EQ(m.selectedScreenID(), 0u); } },
        LoadCase { "ScriptWrongTypeKeepsInitial", [](S& s) { s.writeInteger("script", 5); },
            [](M& m) { EXPECT_EQ(m.script(), PrompterModel::kInitialScript); } },
        LoadCase { "ActiveIdNotAUuid", [](S& s) { s.writeText("activeScriptID", "nope"); },
            [](M& m) { EXPECT_FALSE(m.activeScriptID()); } }),
    caseName);

} // namespace

TEST(PrompterSettings, NothingLoadsWithoutHasSavedSession)
{
    ManualLoop loop;
    PreferencesStore store;
    store.writeDouble("fontSize", 33);
    store.writeText("script", "saved");
    PrompterModel model(loop, store);
    model.loadSettings();
    EXPECT_EQ(model.fontSize(), 20);
    EXPECT_EQ(model.script(), PrompterModel::kInitialScript);
}

TEST(PrompterSettings, StoredRunStateStillLoadsStopped)
{
    World w;
    w.store.writeBool("isRunning", true);
    w.model.isRunning = true;
    w.model.shouldUseCountdownOnNextStart = false;
    w.model.hasStartedSession = true;
    w.model.loadSettings();
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_FALSE(w.model.hasStartedSession());
    EXPECT_TRUE(w.model.shouldUseCountdownOnNextStart);
}

TEST(PrompterSettings, BackgroundOpacityIsRemovedAndResetOnLoad)
{
    World w;
    w.store.writeDouble("backgroundOpacity", 0.4);
    w.model.backgroundOpacity = 0.4;
    w.model.loadSettings();
    EXPECT_EQ(w.model.backgroundOpacity(), 1.0);
    EXPECT_FALSE(w.store.contains("backgroundOpacity"));
}

TEST(PrompterSettings, ActiveScriptIdKeptOnlyWhileTheLibraryHoldsIt)
{
    const Uuid kept = Uuid::create();
    for (bool inLibrary : { true, false }) {
        World w;
        w.store.writeText("script", "text of the script");
        w.store.writeText("activeScriptID", kept.toString());
        w.model.setScriptLibraryCheck([&](const Uuid& id) { return inLibrary && id == kept; });
        w.model.loadSettings();
        EXPECT_EQ(w.model.activeScriptID().has_value(), inLibrary);
        EXPECT_EQ(w.model.script(), "text of the script"); // kept either way
    }
}

TEST(PrompterSettings, SaveWritesTheWholeTableAndLoadReadsItBack)
{
    World w;
    auto& m = w.model;
    m.script = "# A [1:00]\nhello";
    m.speedPointsPerSecond = 125;
    m.fontSize = 31;
    m.countdownBehavior = CountdownBehavior::always;
    m.voiceEngine = VoiceEngine::automatic;
    m.selectedScreenID = 3000000000u;
    m.floatingOriginX = 40;
    m.activeScriptID = Uuid::create();
    m.timerMode = TimerMode::countDown;
    m.saveSettings();
    EXPECT_EQ(w.store.readText("voiceEngine"), "auto");
    EXPECT_EQ(w.store.readText("countdownBehavior"), "always");
    EXPECT_EQ(w.store.readText("activeScriptID"), m.activeScriptID()->toString());
    EXPECT_TRUE(std::holds_alternative<double>(*w.store.readObject("fontSize")));
    EXPECT_TRUE(std::holds_alternative<int64_t>(*w.store.readObject("countdownSeconds")));
    for (const char* key : { "hasSavedSession", "script", "isRunning", "isOverlayVisible", "privacyModeEnabled",
             "speedPointsPerSecond", "fontSize", "overlayWidth", "overlayHeight", "countdownSeconds",
             "countdownBehavior", "scrollMode", "selectedScreenID", "displayMode", "adaptiveFontSize",
             "floatingWidth", "floatingHeight", "floatingOriginX", "voiceEngine", "voiceFollowNotchHeight",
             "activeScriptID", "cueNotchHeight", "showCueTotalTimer", "spacePauseEnabled", "motionStyle",
             "timerMode", "timerTargetSeconds", "statsEnabled", "showSessionSummary", "gestureControlEnabled",
             "miniPrompterEnabled", "handsFreeKeysEnabled" })
        EXPECT_TRUE(w.store.contains(key)) << key;
    EXPECT_FALSE(w.store.contains("floatingOriginY")); // NaN: not written

    ManualLoop loop;
    PrompterModel reloaded(loop, w.store);
    const Uuid id = *m.activeScriptID();
    reloaded.setScriptLibraryCheck([&](const Uuid& candidate) { return candidate == id; });
    reloaded.loadSettings();
    EXPECT_EQ(reloaded.script(), m.script());
    EXPECT_EQ(reloaded.cueScript(), m.cueScript());
    EXPECT_EQ(reloaded.speedPointsPerSecond(), 125);
    EXPECT_EQ(reloaded.fontSize(), 31);
    EXPECT_EQ(reloaded.selectedScreenID(), 3000000000u);
    EXPECT_EQ(reloaded.floatingOriginX(), 40);
    EXPECT_EQ(reloaded.activeScriptID(), id);
    EXPECT_EQ(reloaded.timerMode(), TimerMode::countDown);
}

TEST(PrompterSettings, SaveKeepsStoredOriginWhenNaNAndRemovesAbsentActiveId)
{
    World w;
    w.store.writeDouble("floatingOriginX", 99);
    w.store.writeText("activeScriptID", Uuid::create().toString());
    w.model.saveSettings();
    EXPECT_EQ(w.store.readNumber("floatingOriginX"), 99);
    EXPECT_FALSE(w.store.contains("activeScriptID"));
}

TEST(PrompterModel, ScriptChangeReparsesOnlyWhenTheTextDiffers)
{
    ManualLoop loop;
    PreferencesStore store;
    PrompterModel m(loop, store);
    int parses = 0;
    bool outlineCurrentForScriptObservers = false;
    auto outline = m.cueScript.observeChanges([&](const CueScript&) { ++parses; });
    auto scriptObserver = m.script.observeChanges(
        [&](const std::string& text) { outlineCurrentForScriptObservers = m.cueScript() == CueScript::parse(text); });
    m.script = "# A\nx";
    m.script = "# A\nx";
    EXPECT_EQ(parses, 1);
    EXPECT_TRUE(outlineCurrentForScriptObservers);
    EXPECT_TRUE(m.cueScript().hasStructure);
}

TEST(PrompterModel, SpeedSnapping)
{
    const std::pair<double, double> cases[] = { { 12.4, 10 }, { 12.5, 15 }, { 302, 300 }, { -50, 10 }, { 10, 10 },
        { 87, 85 }, { 87.5, 90 }, { 300, 300 }, { 297.5, 300 } };
    for (auto [in, out] : cases)
        EXPECT_EQ(PrompterModel::snapSpeed(in), out) << in;
}
