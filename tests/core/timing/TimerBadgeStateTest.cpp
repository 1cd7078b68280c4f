#include "core/ModelWorld.h"
#include "core/TimerBadgeState.h"
#include "core/TimerEngine.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

struct BadgeWorld : ModelWorld {
    TimerEngine timer { loop };
    int taps = 0;
    TimerBadgeState badge { model, timer, [this] { ++taps; } };

    BadgeWorld()
    {
        model.countdownBehavior = CountdownBehavior::never;
        model.timerMode = TimerMode::countDown;
        model.timerTargetSeconds = 10;
    }
    void run()
    {
        model.start();
        timer.start();
    }
};

TEST(TimerBadgeState, HiddenUntilStartedAndUnderTheCountdown)
{
    BadgeWorld w;
    EXPECT_FALSE(w.badge.content().get().visible);
    w.model.countdownBehavior = CountdownBehavior::always;
    w.model.start();
    EXPECT_TRUE(w.model.isCountingDown());
    EXPECT_FALSE(w.badge.content().get().visible);
    w.loop.advance(3s);
    EXPECT_TRUE(w.badge.content().get().visible);
    w.model.timerMode = TimerMode::off;
    EXPECT_FALSE(w.badge.content().get().visible);
}

TEST(TimerBadgeState, HapticTapsOncePerCrossingAndResetRearmsIt)
{
    BadgeWorld w;
    w.run();
    w.loop.advance(9s);
    EXPECT_EQ(w.taps, 0);
    EXPECT_FALSE(w.badge.content().get().targetPassed);
    w.loop.advance(1s);
    EXPECT_EQ(w.taps, 1);
    EXPECT_TRUE(w.badge.content().get().targetPassed);
    EXPECT_EQ(w.badge.content().get().text, "0:00");
    w.loop.advance(20s);
    EXPECT_EQ(w.taps, 1) << "staying past the target taps no more";
    EXPECT_EQ(w.badge.content().get().text, "+0:20");

    w.timer.reset();
    EXPECT_FALSE(w.badge.firedTargetHaptic());
    EXPECT_EQ(w.badge.content().get().text, "0:10");
    w.loop.advance(10s);
    EXPECT_EQ(w.taps, 2);
}

TEST(TimerBadgeState, PublishesOnlyWhenTheTextChanges)
{
    BadgeWorld w;
    w.model.timerMode = TimerMode::countUp;
    int deliveries = 0;
    Subscription sub = w.badge.content().observeChanges([&](const TimerBadgeContent&) { ++deliveries; });
    w.run();
    deliveries = 0;
    w.loop.advance(3s); // twelve ticks, three new texts
    EXPECT_EQ(deliveries, 3);
    EXPECT_EQ(w.badge.content().get().text, "0:03");
}

TEST(TimerBadgeState, RemainingFollowsSpeedAndScriptAtOnce)
{
    BadgeWorld w;
    std::string script;
    for (int i = 0; i < 160; ++i)
        script += "word ";
    w.model.script = script;
    w.model.speedPointsPerSecond = 85;
    w.model.timerMode = TimerMode::remaining;
    w.run();
    w.loop.advance(15s);
    EXPECT_EQ(w.badge.content().get().text, "0:45");
    w.model.speedPointsPerSecond = 170; // the estimate halves to 30 s
    EXPECT_EQ(w.badge.content().get().text, "0:15");
    w.model.script = "   ";
    EXPECT_EQ(w.badge.content().get().text, "0:00");
}

} // namespace
