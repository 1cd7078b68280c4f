#include "app/AppDelegate.h"
#include "base/ManualLoop.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

using Stored = std::function<void(PreferencesStore&)>;

// What exists before the services: `stored` fills the store as a file on disk would have.
struct Environment {
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;

    explicit Environment(const Stored& stored)
    {
        if (stored)
            stored(store);
    }
};

struct World : Environment {
    TempDir home;
    AppDelegate delegate { loop, store, notifications, AppPaths::underRoot(home.path()) };

    explicit World(const Stored& stored = {})
        : Environment(stored)
    {
    }

    void launch()
    {
        delegate.applicationDidFinishLaunching();
    }
};

} // namespace

TEST(AppDelegate, FirstLaunchStoresTheSessionAbout250msLater)
{
    World w;
    w.launch();
    EXPECT_EQ(w.delegate.model().script(), w.delegate.localization().text(LK::defaultScript));
    w.loop.advance(249ms);
    EXPECT_FALSE(w.store.readBool("hasSavedSession"));
    w.loop.advance(1ms);
    EXPECT_TRUE(w.store.readBool("hasSavedSession"));
    EXPECT_EQ(w.store.readText("script"), "在这里粘贴你的稿件。\n\n提示：用菜单栏图标或快捷键开始/暂停、重置滚动。");
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
}

TEST(AppDelegate, FirstRunScriptFollowsTheStoredLanguage)
{
    World w([](PreferencesStore& s) { s.writeText("appLanguage", "en"); });
    w.launch();
    EXPECT_EQ(w.delegate.model().script(),
        "Paste your script here.\n\nTip: Use the menu bar icon to start/pause or reset the scroll.");
}

TEST(AppDelegate, StoredActiveScriptSurvivesOnlyWhileTheLibraryHoldsIt)
{
    Uuid kept;
    World w([&](PreferencesStore& s) {
        ManualLoop loop;
        kept = ScriptLibrary(s, loop).add("Keynote", "Hello");
        s.writeBool("hasSavedSession", true);
        s.writeText("activeScriptID", kept.toString());
    });
    w.launch();
    EXPECT_EQ(w.delegate.model().activeScriptID(), kept);

    World other;
    other.store.writeBool("hasSavedSession", true);
    other.store.writeText("activeScriptID", Uuid::create().toString());
    other.launch();
    EXPECT_FALSE(other.delegate.model().activeScriptID());
    other.loop.advance(250ms);
    EXPECT_FALSE(other.store.contains("activeScriptID"));
}

TEST(AppDelegate, LaterLaunchKeepsTheSavedScript)
{
    World w;
    w.store.writeBool("hasSavedSession", true);
    w.store.writeText("script", "mine");
    w.store.writeDouble("fontSize", 33);
    w.launch();
    EXPECT_EQ(w.delegate.model().script(), "mine");
    EXPECT_EQ(w.delegate.model().fontSize(), 33);
    EXPECT_FALSE(w.delegate.wasFirstLaunch());
}

TEST(AppDelegate, OneSavePerBurst250msAfterTheLastChange)
{
    World w;
    w.launch();
    w.loop.advance(1s);
    ASSERT_EQ(w.delegate.settingsSaveCount(), 1);
    auto& model = w.delegate.model();
    // A slider drag: many changes 50 ms apart, then quiet.
    for (int i = 0; i < 10; ++i) {
        model.speedPointsPerSecond = 80 + 5 * (i + 1);
        model.fontSize = 20 + i;
        w.loop.advance(50ms);
    }
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
    w.loop.advance(199ms);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
    w.loop.advance(1ms);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 2);
    EXPECT_EQ(w.store.readNumber("speedPointsPerSecond"), 130);
    EXPECT_EQ(w.store.readNumber("fontSize"), 29);
}

TEST(AppDelegate, UnwatchedOrRepeatedValuesScheduleNoSave)
{
    World w;
    w.launch();
    w.loop.advance(1s);
    auto& model = w.delegate.model();
    model.isOverlayVisible = false;                // saved with the settings, but not watched
    model.speedPointsPerSecond = model.speedPointsPerSecond(); // same value again
    model.floatingOriginX = std::numeric_limits<double>::quiet_NaN(); // NaN again
    w.loop.advance(1s);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
    EXPECT_TRUE(w.store.readBool("isOverlayVisible"));
    model.fontSize = 30;
    w.loop.advance(250ms);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 2);
    EXPECT_FALSE(w.store.readBool("isOverlayVisible")); // written by the next save
}

TEST(AppDelegate, TerminationSavesOnceAndEndsTheSubscriptions)
{
    World w;
    w.launch();
    w.delegate.model().fontSize = 25;
    w.delegate.applicationWillTerminate();
    EXPECT_EQ(w.store.readNumber("fontSize"), 25);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
    w.delegate.applicationWillTerminate();
    w.delegate.model().fontSize = 26;
    w.loop.advance(1s);
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
}
