// The delegate's wiring of the run timer and the statistics recorder to the model, on
// virtual time.

#include "app/AppDelegate.h"
#include "base/ManualLoop.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

struct Wired {
    TempDir home;
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;
    AppDelegate app { loop, store, notifications, AppPaths::underRoot(home.path()) };
    PrompterModel& model = app.model();
    std::vector<RehearsalSession> posted;
    Subscription observer = notifications.addObserver(StatsManager::kDidRecordSessionNotification,
        [this](const Notification& n) { posted.push_back(std::any_cast<RehearsalSession>(n.object)); });

    Wired()
    {
        app.applicationDidFinishLaunching();
        model.script = "one two three four five six seven eight nine ten";
        model.countdownBehavior = CountdownBehavior::never;
        loop.advance(1s);
    }
    const std::vector<RehearsalSession>& stored() { return app.statsStore().sessions()(); }
};

} // namespace

TEST(AppWiring, TimerRunsOnlyWhileRunningAcrossPauses)
{
    Wired w;
    w.model.start();
    w.loop.advance(10s);
    w.model.pause();
    w.loop.advance(5s);
    w.model.start();
    w.loop.advance(10s);
    EXPECT_DOUBLE_EQ(w.app.runTimer().currentElapsed(), 20.0);
    EXPECT_TRUE(w.stored().empty()); // one recording, still under way
}

TEST(AppWiring, ResetWhileRunningRecordsTheRunAndStartsAFreshOne)
{
    Wired w;
    w.model.start();
    w.loop.advance(30s);
    w.model.reset();
    ASSERT_EQ(w.stored().size(), 1u);
    EXPECT_EQ(w.stored()[0].duration, 30);
    EXPECT_FALSE(w.stored()[0].reachedEnd);
    EXPECT_EQ(w.posted.size(), 1u);
    EXPECT_TRUE(w.model.isRunning());
    EXPECT_DOUBLE_EQ(w.app.runTimer().currentElapsed(), 0.0);
    // The rest of the run is recorded too.
    w.loop.advance(12s);
    w.app.applicationWillTerminate();
    ASSERT_EQ(w.stored().size(), 2u);
    EXPECT_EQ(w.stored()[0].duration, 12);
}

TEST(AppWiring, ReachingTheEndInStopModeRecordsACompletedRun)
{
    Wired w;
    w.model.setScrollMode(ScrollMode::stopAtEnd);
    w.model.start();
    w.loop.advance(4s);
    w.model.reachedEnd();
    ASSERT_EQ(w.stored().size(), 1u);
    EXPECT_TRUE(w.stored()[0].reachedEnd);
    EXPECT_EQ(w.stored()[0].duration, 4);
    EXPECT_EQ(w.stored()[0].words, 10);
    // The reset that the next start performs has nothing left to record.
    w.model.start();
    EXPECT_EQ(w.stored().size(), 1u);
}

TEST(AppWiring, TerminationFinishesTheRecordingBeforeSaving)
{
    Wired w;
    w.model.start();
    w.loop.advance(6s);
    w.app.applicationWillTerminate();
    ASSERT_EQ(w.stored().size(), 1u);
    EXPECT_EQ(w.stored()[0].duration, 6);
    EXPECT_TRUE(w.store.readBool("isRunning"));
}

TEST(AppWiring, ShortRunsAndDisabledStatisticsRecordNothing)
{
    Wired w;
    w.model.start();
    w.loop.advance(2400ms);
    w.model.reset();
    EXPECT_TRUE(w.stored().empty());
    w.model.statsEnabled = false;
    w.loop.advance(10s);
    w.model.reset();
    EXPECT_TRUE(w.stored().empty());
}

TEST(AppWiring, ARunStartedAgainAfterTheEndWithoutAResetCountsOnlyItsOwnTime)
{
    Wired w;
    w.model.setScrollMode(ScrollMode::stopAtEnd);
    w.model.start();
    w.loop.advance(60s);
    w.model.reachedEnd();
    w.model.jumpBack(); // clears the end, so the next start issues no reset
    w.model.start();
    w.loop.advance(5s);
    w.model.reachedEnd();
    ASSERT_EQ(w.stored().size(), 2u);
    EXPECT_EQ(w.stored()[0].duration, 5);
    EXPECT_EQ(w.stored()[1].duration, 60);
}
