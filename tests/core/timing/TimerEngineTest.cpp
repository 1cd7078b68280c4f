#include "base/ManualLoop.h"
#include "core/ClockFormat.h"
#include "core/TimerEngine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

struct TimerWorld {
    ManualLoop loop;
    TimerEngine timer { loop };

    std::string shown() const { return formatClock(roundedSeconds(timer.elapsed())); }
};

TEST(TimerEngine, RunPauseRunAccumulatesOnlyRunningTime)
{
    TimerWorld w;
    w.timer.start();
    w.loop.advance(10s);
    w.timer.pause();
    w.loop.advance(5s);
    EXPECT_EQ(w.shown(), "0:10");
    w.timer.start();
    w.loop.advance(10s);
    EXPECT_EQ(w.shown(), "0:20");
    EXPECT_DOUBLE_EQ(w.timer.currentElapsed(), 20.0);
}

TEST(TimerEngine, PublishesFourTimesASecondOnlyWhileTicking)
{
    TimerWorld w;
    std::vector<double> values;
    Subscription sub = w.timer.elapsed.observeChanges([&](double v) { values.push_back(v); });
    w.timer.start();
    w.loop.advance(1s);
    EXPECT_EQ(values, (std::vector<double> { 0, 0.25, 0.5, 0.75, 1.0 }));
    w.timer.pause();
    values.clear();
    w.loop.advance(3s);
    EXPECT_EQ(values, std::vector<double> {}) << "paused: no ticks";
    EXPECT_EQ(w.loop.pendingTimerCount(), 0u);
}

TEST(TimerEngine, StartWhileTickingAndPauseWhilePausedChangeNothing)
{
    TimerWorld w;
    w.timer.pause();
    EXPECT_FALSE(w.timer.isTicking());
    w.timer.start();
    w.loop.advance(2s);
    w.timer.start(); // must not restart the segment
    w.loop.advance(1s);
    EXPECT_DOUBLE_EQ(w.timer.currentElapsed(), 3.0);
    EXPECT_EQ(w.loop.pendingTimerCount(), 1u);
}

TEST(TimerEngine, ResetWhileRunningRestartsFromZeroAndKeepsRunning)
{
    TimerWorld w;
    w.timer.start();
    w.loop.advance(30s);
    w.timer.reset();
    EXPECT_EQ(w.shown(), "0:00");
    EXPECT_TRUE(w.timer.isTicking());
    w.loop.advance(4s);
    EXPECT_EQ(w.shown(), "0:04");
}

TEST(TimerEngine, ResetWhilePausedStaysPausedAtZero)
{
    TimerWorld w;
    w.timer.start();
    w.loop.advance(30s);
    w.timer.pause();
    w.timer.reset();
    w.loop.advance(4s);
    EXPECT_EQ(w.shown(), "0:00");
    EXPECT_FALSE(w.timer.isTicking());
    w.timer.start();
    w.loop.advance(2s);
    EXPECT_EQ(w.shown(), "0:02");
}

TEST(TimerEngine, ALateTickShowsTheTimeThatPassed)
{
    TimerWorld w;
    w.timer.start();
    w.loop.advance(100ms);
    // Between ticks the published value lags, the current value does not.
    EXPECT_DOUBLE_EQ(w.timer.elapsed(), 0);
    EXPECT_NEAR(w.timer.currentElapsed(), 0.1, 1e-9);
    w.loop.advance(150ms);
    EXPECT_NEAR(w.timer.elapsed(), 0.25, 1e-9);
}

} // namespace
