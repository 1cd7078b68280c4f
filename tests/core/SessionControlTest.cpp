#include "ModelWorld.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

// Records the countdown values and when running began, in virtual seconds since the start.
struct RunRecorder {
    std::vector<int64_t> remaining;
    std::optional<double> runningAt;
    SubscriptionBag subs;

    explicit RunRecorder(ModelWorld& w)
    {
        const auto start = w.loop.now();
        // What a view shows: repeated assignments of the same value show nothing new.
        subs += w.model.countdownRemaining.observeChanges([this](int64_t v) {
            if (remaining.empty() || remaining.back() != v)
                remaining.push_back(v);
        });
        subs += w.model.isRunning.observeChanges([this, &w, start](bool running) {
            EXPECT_TRUE(w.invariantsHold());
            if (running && !runningAt)
                runningAt = toSeconds(w.loop.now() - start);
        });
    }
};

} // namespace

TEST(SessionControl, FreshStartCountsDownThreeTwoOneZeroThenRuns)
{
    ModelWorld w;
    RunRecorder rec(w);
    w.model.start();
    EXPECT_TRUE(w.model.isCountingDown());
    EXPECT_TRUE(w.model.scrollSessionActive());
    w.loop.advance(2999ms);
    EXPECT_FALSE(w.model.isRunning());
    w.loop.advance(1ms);
    EXPECT_EQ(rec.remaining, (std::vector<int64_t> { 3, 2, 1, 0 }));
    EXPECT_EQ(rec.runningAt, 3.0);
    EXPECT_TRUE(w.model.isRunning());
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_TRUE(w.model.hasStartedSession());
    EXPECT_FALSE(w.model.shouldUseCountdownOnNextStart);

    // Pause and start again: at once. After reset: a countdown again.
    w.model.pause();
    w.model.start();
    EXPECT_TRUE(w.model.isRunning());
    w.model.pause();
    w.model.reset();
    w.model.start();
    EXPECT_TRUE(w.model.isCountingDown());
    EXPECT_FALSE(w.model.isRunning());
}

TEST(SessionControl, PausedCountdownNeverBeginsRunning)
{
    ModelWorld w;
    RunRecorder rec(w);
    w.model.toggleRunning();
    w.loop.advance(1500ms);
    w.model.toggleRunning(); // pause during the countdown
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_EQ(w.model.countdownRemaining(), 0);
    EXPECT_TRUE(w.model.scrollSessionActive());
    w.loop.advance(10s);
    EXPECT_FALSE(rec.runningAt);
    EXPECT_EQ(w.loop.pendingTimerCount(), 0u);
}

TEST(SessionControl, CountdownDecisionTable)
{
    struct Case {
        CountdownBehavior behavior;
        int64_t seconds;
        bool freshStart;
        bool countsDown;
    };
    const Case cases[] = { { CountdownBehavior::always, 0, true, false }, { CountdownBehavior::always, 2, false, true },
        { CountdownBehavior::never, 10, true, false }, { CountdownBehavior::freshStartOnly, 3, false, false },
        { CountdownBehavior::freshStartOnly, 0, true, false }, { CountdownBehavior::freshStartOnly, 1, true, true } };
    for (const auto& c : cases) {
        ModelWorld w;
        w.model.countdownBehavior = c.behavior;
        w.model.countdownSeconds = c.seconds;
        w.model.shouldUseCountdownOnNextStart = c.freshStart;
        w.model.start();
        EXPECT_EQ(w.model.isCountingDown(), c.countsDown) << caseName(c.behavior) << c.seconds;
        EXPECT_EQ(w.model.isRunning(), !c.countsDown);
    }
}

TEST(SessionControl, StopAtEndThenStartResetsAndCountsDownAgain)
{
    ModelWorld w;
    w.model.countdownBehavior = CountdownBehavior::freshStartOnly;
    w.model.setScrollMode(ScrollMode::stopAtEnd);
    w.model.start();
    w.loop.advance(3s);
    ASSERT_TRUE(w.model.isRunning());
    const Uuid tokenBefore = w.model.resetToken();
    w.model.reachedEnd();
    EXPECT_TRUE(w.model.didReachEndInStopMode());
    EXPECT_FALSE(w.model.isRunning());
    w.model.start();
    EXPECT_NE(w.model.resetToken(), tokenBefore);
    EXPECT_FALSE(w.model.didReachEndInStopMode());
    EXPECT_TRUE(w.model.isCountingDown());
    w.loop.advance(3s);
    EXPECT_TRUE(w.model.isRunning());
}

TEST(SessionControl, SwitchToInfiniteAfterTheEndResumesAtOnce)
{
    ModelWorld w;
    w.model.countdownBehavior = CountdownBehavior::always;
    w.model.setScrollMode(ScrollMode::stopAtEnd);
    w.model.start();
    w.loop.advance(3s);
    w.model.reachedEnd();
    w.model.setScrollMode(ScrollMode::infinite);
    EXPECT_TRUE(w.model.isRunning());
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_FALSE(w.model.didReachEndInStopMode());
    EXPECT_TRUE(w.invariantsHold());
    // In infinite mode the end is not an event.
    w.model.reachedEnd();
    EXPECT_TRUE(w.model.isRunning());
}

TEST(SessionControl, ManualScrollPausesARunAndIssuesItsStep)
{
    ModelWorld w;
    w.model.countdownBehavior = CountdownBehavior::never;
    w.model.start();
    const Uuid before = w.model.manualScrollToken();
    w.model.manualScroll(0.005);
    EXPECT_TRUE(w.model.isRunning());
    EXPECT_EQ(w.model.manualScrollToken(), before);
    w.model.manualScroll(-30);
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_TRUE(w.model.manualScrollEnabled());
    EXPECT_EQ(w.model.manualScrollDeltaPoints(), -30);
    EXPECT_NE(w.model.manualScrollToken(), before);
    EXPECT_FALSE(w.model.shouldUseCountdownOnNextStart);
}

TEST(SessionControl, ToggleAutoScrollSwitchesBetweenRunningAndManual)
{
    ModelWorld w;
    w.model.countdownBehavior = CountdownBehavior::never;
    w.model.script = "# A\n> one";
    w.model.enterCue();
    const auto cueStarted = w.model.cueStartedAt();
    w.model.toggleAutoScroll(); // leaves cue mode without exitCue, and starts
    EXPECT_EQ(w.model.readingMode(), ReadingMode::normal);
    EXPECT_EQ(w.model.cueStartedAt(), cueStarted);
    EXPECT_TRUE(w.model.isRunning());
    w.model.toggleAutoScroll();
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_TRUE(w.model.manualScrollEnabled());
    w.model.toggleAutoScroll();
    EXPECT_TRUE(w.model.isRunning());
    EXPECT_FALSE(w.model.manualScrollEnabled());
}

TEST(SessionControl, SpeedStepsAndJumpBack)
{
    const std::tuple<double, double, double> steps[] = { { 298, 5, 300 }, { 10, -5, 10 }, { 82, 5, 85 }, { 80, -5, 75 },
        { 300, 5, 300 } };
    for (auto [from, delta, to] : steps) {
        ModelWorld w;
        w.model.speedPointsPerSecond = from;
        w.model.adjustSpeed(delta);
        EXPECT_EQ(w.model.speedPointsPerSecond(), to) << from << " " << delta;
    }
    ModelWorld w;
    w.model.didReachEndInStopMode = true;
    const Uuid before = w.model.jumpBackToken();
    w.model.jumpBack();
    EXPECT_EQ(w.model.jumpBackDistancePoints(), 400);
    EXPECT_NE(w.model.jumpBackToken(), before);
    EXPECT_FALSE(w.model.didReachEndInStopMode());
}

TEST(SessionControl, SwipeChangesSpeedInNormalModeAndPointsInCueMode)
{
    ModelWorld w;
    w.model.swipe(GestureDirection::right);
    EXPECT_EQ(w.model.speedPointsPerSecond(), 85);
    w.model.script = "# A\nx\n# B\ny";
    w.model.enterCue();
    w.model.swipe(GestureDirection::right);
    EXPECT_EQ(w.model.activeSectionIndex(), 1);
    EXPECT_EQ(w.model.speedPointsPerSecond(), 85);
    w.model.gestureControlEnabled = false;
    w.model.swipe(GestureDirection::left);
    EXPECT_EQ(w.model.activeSectionIndex(), 1);
}

TEST(SessionControl, SelectAndSwitchScripts)
{
    ModelWorld w;
    const Uuid third = w.library.add("Third", "three");
    const Uuid second = w.library.add("", "two");
    const Uuid first = w.library.add("First", "one"); // new items go in front
    w.model.switchScript(true);
    EXPECT_EQ(w.model.activeScriptID(), first);
    EXPECT_EQ(w.model.script(), "one");
    EXPECT_EQ(w.model.scriptFlashTitle, "First");
    w.model.switchScript(true);
    EXPECT_EQ(w.model.activeScriptID(), second);
    EXPECT_EQ(w.model.scriptFlashTitle, w.localization.text(LK::libUntitled));
    w.model.switchScript(true);
    w.model.switchScript(true); // wraps
    EXPECT_EQ(w.model.activeScriptID(), first);
    w.model.activeScriptID = std::nullopt;
    w.model.switchScript(false);
    EXPECT_EQ(w.model.activeScriptID(), third);

    const Uuid token = w.model.scriptFlashToken();
    w.model.selectScript(Uuid::create()); // not in the library
    EXPECT_EQ(w.model.activeScriptID(), third);
    EXPECT_EQ(w.model.scriptFlashToken(), token);
}

TEST(SessionControl, SelectingAnOutlineOnlyScriptEntersCueOnItsFirstPoint)
{
    ModelWorld w;
    const Uuid outline = w.library.add("Talk", "# One [1:00]\n> a\n# Two\n> b");
    w.model.activeSectionIndex = 5;
    w.model.selectScript(outline);
    EXPECT_EQ(w.model.readingMode(), ReadingMode::cue);
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
    EXPECT_TRUE(w.model.cueSectionStartedAt());
}

TEST(SessionControl, PasteAndClear)
{
    ModelWorld w;
    w.model.activeScriptID = Uuid::create();
    w.model.pasteScript("  \n\t\xE3\x80\x80");
    EXPECT_TRUE(w.model.activeScriptID());
    w.model.pasteScript("  pasted text ");
    EXPECT_EQ(w.model.script(), "  pasted text ");
    EXPECT_FALSE(w.model.activeScriptID());
    EXPECT_TRUE(w.model.hasStartedSession());
    EXPECT_EQ(w.model.readingMode(), ReadingMode::normal);
    w.model.pasteScript("# Only\n> material");
    EXPECT_EQ(w.model.readingMode(), ReadingMode::cue);
    w.model.scrollSessionActive = true;
    w.model.clearScript();
    EXPECT_EQ(w.model.script(), "");
    EXPECT_FALSE(w.model.scrollSessionActive());
}

TEST(SessionControl, RunInvariantsHoldAfterEveryOperationInRandomSequences)
{
    std::mt19937 random(20261211);
    for (int round = 0; round < 50; ++round) {
        ModelWorld w;
        const Uuid saved = w.library.add("Saved", "# A\n> a\n# B\n> b");
        w.model.countdownSeconds = static_cast<int64_t>(random() % 4);
        w.model.countdownBehavior = allCases<CountdownBehavior>()[random() % 3];
        const std::function<void()> operations[] = {
            [&] { w.model.toggleRunning(); }, [&] { w.model.start(); }, [&] { w.model.pause(); },
            [&] { w.model.reset(); }, [&] { w.model.jumpBack(); }, [&] { w.model.toggleAutoScroll(); },
            [&] { w.model.manualScroll(-20); }, [&] { w.model.reachedEnd(); },
            [&] { w.model.setScrollMode(ScrollMode::stopAtEnd); }, [&] { w.model.setScrollMode(ScrollMode::infinite); },
            [&] { w.model.selectScript(saved); }, [&] { w.model.pasteScript("plain words"); },
            [&] { w.model.clearScript(); }, [&] { w.model.toggleCue(); }, [&] { w.model.swipe(GestureDirection::right); },
            [&] { w.loop.advance(std::chrono::milliseconds(random() % 2500)); },
        };
        for (int step = 0; step < 60; ++step) {
            operations[random() % std::size(operations)]();
            ASSERT_TRUE(w.invariantsHold()) << "round " << round << " step " << step;
        }
    }
}

TEST(SessionControl, PauseFromAnObserverOfTheCountdownStopsIt)
{
    ModelWorld w;
    auto pauser = w.model.countdownRemaining.observeChanges([&](int64_t v) {
        if (v == 1)
            w.model.pause();
    });
    w.model.start();
    w.loop.advance(5s);
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_EQ(w.model.countdownRemaining(), 0);
}
