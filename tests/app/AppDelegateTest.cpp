#include "app/AppDelegate.h"
#include "base/ManualLoop.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

struct World {
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;
    AppDelegate delegate { loop, store, notifications };

    void launch()
    {
        delegate.setFirstRunScript([] { return std::string("first run"); });
        delegate.applicationDidFinishLaunching();
    }
};

} // namespace

TEST(AppDelegate, FirstLaunchStoresTheSessionAbout250msLater)
{
    World w;
    w.launch();
    EXPECT_EQ(w.delegate.model().script(), "first run");
    w.loop.advance(249ms);
    EXPECT_FALSE(w.store.readBool("hasSavedSession"));
    w.loop.advance(1ms);
    EXPECT_TRUE(w.store.readBool("hasSavedSession"));
    EXPECT_EQ(w.store.readText("script"), "first run");
    EXPECT_EQ(w.delegate.settingsSaveCount(), 1);
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
