#include "base/ManualLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tavilo;
using namespace std::chrono_literals;

TEST(ManualLoop, TimersFireInDueOrderAtTheirOwnTime)
{
    ManualLoop loop;
    std::vector<std::pair<int, double>> fired;
    const auto start = loop.now();
    auto elapsed = [&] { return toSeconds(loop.now() - start); };
    auto a = loop.schedule(300ms, [&] { fired.push_back({ 1, elapsed() }); });
    auto b = loop.schedule(100ms, [&] { fired.push_back({ 2, elapsed() }); });
    auto c = loop.schedule(100ms, [&] { fired.push_back({ 3, elapsed() }); });
    loop.advance(250ms);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].first, 2);
    EXPECT_EQ(fired[1].first, 3);
    EXPECT_DOUBLE_EQ(fired[0].second, 0.1);
    loop.advance(50ms);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_DOUBLE_EQ(fired[2].second, 0.3);
}

TEST(ManualLoop, CancelledOrDroppedHandleNeverRuns)
{
    ManualLoop loop;
    int runs = 0;
    auto kept = loop.schedule(10ms, [&] { ++runs; });
    kept.cancel();
    { auto dropped = loop.schedule(10ms, [&] { ++runs; }); }
    loop.advance(1s);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(loop.pendingTimerCount(), 0u);
}

TEST(ManualLoop, RepeatingTimerReschedulesItselfThroughItsHandle)
{
    ManualLoop loop;
    int ticks = 0;
    TimerHandle handle;
    std::function<void()> tick = [&] {
        ++ticks;
        handle = loop.schedule(1s, tick);
    };
    handle = loop.schedule(1s, tick);
    loop.advance(3500ms);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(handle.isPending());
}

TEST(ManualLoop, PostFromAnotherThreadRunsOnTheLoop)
{
    ManualLoop loop;
    std::thread::id ranOn;
    std::thread worker([&] { loop.post([&] { ranOn = std::this_thread::get_id(); }); });
    worker.join();
    EXPECT_TRUE(loop.waitForPosted(1s) || ranOn == std::this_thread::get_id());
    loop.runPending();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ManualLoop, DateAdvancesWithTheClock)
{
    ManualLoop loop(Date::fromReferenceSeconds(1000));
    loop.advance(2500ms);
    EXPECT_DOUBLE_EQ(loop.currentDate().sinceReference, 1002.5);
}
