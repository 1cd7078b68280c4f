// The scroller on a model in virtual time: what a run looks like through the model's commands.

#include "ScrollRig.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tavilo;

namespace {

TEST(PrompterScroller, TwoSecondsAtEightyMoveOneHundredSixtyLessTheEasing)
{
    ScrollRig rig;
    const double start = rig.phase();
    ASSERT_DOUBLE_EQ(start, -22.4);
    rig.w.model.start();
    rig.run(2.0);
    // Every 1/60 s step keeps 52/60 of the gap to full speed; the distance lost to the easing
    // sums to (80/60) × (52/60) / (8/60) = 8.67 points (about speed × 1/8 s).
    EXPECT_NEAR(rig.phase() - start, 160.0 - 80.0 / 60 * 6.5, 0.01);
}

TEST(PrompterScroller, ShortTextInStopModeEndsAtOnceAndPausesTheModel)
{
    ScrollRig rig("Short line.", 24, ScrollMode::stopAtEnd);
    int ends = 0;
    auto sub = rig.w.model.didReachEndInStopMode.observeChanges([&](bool reached) { ends += reached ? 1 : 0; });
    rig.run(1.0); // idle frames stand at the end without claiming it
    EXPECT_FALSE(rig.engine().hasReachedEndInStopMode());
    rig.w.model.start();
    rig.run(3.0);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(rig.w.model.isRunning());
    EXPECT_DOUBLE_EQ(rig.phase(), -rig.leadIn());
    EXPECT_EQ(rig.w.model.savedScrollPhaseForResume, rig.phase());
}

// Runs in infinite mode for a while, then switches to stop mode: the text stops at the end of
// the copy in view, or of the next one when the end of the one in view has passed.
struct ModeSwitchCase {
    const char* name;
    double runSeconds;
    int stopCopy; // 0 is the first copy
};

class InfiniteToStop : public testing::TestWithParam<ModeSwitchCase> {};

TEST_P(InfiniteToStop, StopsAtTheEndOfTheCopyInView)
{
    ScrollRig rig("Text of two hundred points.", 200);
    const double cycle = 224, end = 122.4;
    rig.w.model.start();
    rig.run(GetParam().runSeconds);
    const double switchedAt = rig.phase();
    rig.w.model.setScrollMode(ScrollMode::stopAtEnd);
    rig.run(6.0);
    EXPECT_TRUE(rig.w.model.didReachEndInStopMode());
    EXPECT_FALSE(rig.w.model.isRunning());
    EXPECT_NEAR(rig.phase(), GetParam().stopCopy * cycle + end, 1e-9) << "switched at " << switchedAt;
    // One copy is drawn, moved so that it stands where the copy in view stood.
    EXPECT_EQ(rig.scroller->copies(), 1);
    EXPECT_NEAR(rig.scroller->verticalOffset(), -end, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Table, InfiniteToStop,
    testing::Values(ModeSwitchCase { "FirstCopy", 1.0, 0 }, // phase ≈ 49
        ModeSwitchCase { "SecondCopyInView", 4.2, 1 }, // phase ≈ 305, its end is at 346.4
        ModeSwitchCase { "SecondCopysEndPassed", 5.4, 2 }), // phase ≈ 401: the third copy's end
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrompterScroller, JumpBackNeverGoesAboveTheLeadIn)
{
    struct Case {
        double runSeconds;
        bool atLeadIn;
    };
    for (const Case c : { Case { 1.0, true }, Case { 8.0, false } }) {
        ScrollRig rig("Long text.", 5000);
        rig.w.model.start();
        rig.run(c.runSeconds);
        const double before = rig.phase();
        rig.w.model.jumpBack(); // 5 s at 80 points per second
        const double expected = c.atLeadIn ? -rig.leadIn() : before - 400;
        EXPECT_DOUBLE_EQ(rig.phase(), expected) << "after " << c.runSeconds << " s";
        EXPECT_TRUE(rig.w.model.isRunning());
    }
}

struct ManualCase {
    const char* name;
    ScrollMode mode;
    double delta;
    double expected; // NaN: −lead-in
    double copyHeight = 200;
};

class ManualStep : public testing::TestWithParam<ManualCase> {};

TEST_P(ManualStep, StaysInsideTheBounds)
{
    ScrollRig rig("Text to scroll by hand.", GetParam().copyHeight, GetParam().mode);
    rig.w.model.manualScroll(GetParam().delta);
    const double expected = std::isnan(GetParam().expected) ? -rig.leadIn() : GetParam().expected;
    EXPECT_NEAR(rig.phase(), expected, 1e-9);
    EXPECT_TRUE(rig.w.model.manualScrollEnabled());
}

INSTANTIATE_TEST_SUITE_P(Table, ManualStep,
    testing::Values(ManualCase { "BackAtTheStartInfinite", ScrollMode::infinite, -1000, NAN },
        ManualCase { "BackAtTheStartStop", ScrollMode::stopAtEnd, -1000, NAN },
        // Eight cycles of a one-line text are less than 1000 points: still the lead-in.
        ManualCase { "BackAtTheStartShortText", ScrollMode::infinite, -1000, NAN, 24 },
        ManualCase { "ForwardPlain", ScrollMode::infinite, 30, -22.4 + 30 },
        // Past the end in stop mode: held at the end phase.
        ManualCase { "PastTheEndInStopMode", ScrollMode::stopAtEnd, 5000, 122.4 },
        // Far past eight cycles in infinite mode: folded into one cycle, same picture.
        ManualCase { "FoldedInInfiniteMode", ScrollMode::infinite, 5000, std::fmod(5000 - 22.4, 224.0) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrompterScroller, PausedPhaseIsRestoredWhenTheViewIsRebuilt)
{
    ScrollRig rig;
    rig.w.model.start();
    rig.run(3.0);
    rig.w.model.pause();
    rig.run(1.0); // glides to a halt; the saved phase is where the pause came
    const double saved = *rig.w.model.savedScrollPhaseForResume;
    EXPECT_GT(rig.phase(), saved);

    rig.closeView();
    rig.showView();
    EXPECT_DOUBLE_EQ(rig.phase(), saved);
    EXPECT_EQ(rig.engine().currentSpeedMultiplier(), 0);

    // After a reset nothing is saved: a new view starts at the top.
    rig.w.model.reset();
    rig.closeView();
    rig.showView();
    EXPECT_DOUBLE_EQ(rig.phase(), -rig.leadIn());
}

TEST(PrompterScroller, ViewRebuiltWhileRunningResumesAtFullSpeed)
{
    ScrollRig rig;
    rig.w.model.start();
    rig.run(2.0);
    rig.w.model.pause();
    const double saved = *rig.w.model.savedScrollPhaseForResume;
    rig.w.model.start();
    rig.closeView();
    rig.showView();
    EXPECT_DOUBLE_EQ(rig.phase(), saved);
    EXPECT_EQ(rig.engine().currentSpeedMultiplier(), 1);
    rig.run(1.0);
    EXPECT_NEAR(rig.phase() - saved, 80, 1e-4);
}

TEST(PrompterScroller, FontSizeRealignsTheStartButNotTheMiddle)
{
    ScrollRig rig;
    rig.w.model.fontSize = 30; // lead-in 3.6 + 20
    EXPECT_NEAR(rig.phase(), -23.6, 1e-9);
    EXPECT_EQ(rig.display.relayouts, 1);

    rig.w.model.start();
    rig.run(3.0);
    rig.w.model.pause();
    rig.run(1.0);
    const double middle = rig.phase();
    rig.w.model.fontSize = 14;
    EXPECT_EQ(rig.phase(), middle);
    EXPECT_EQ(rig.display.relayouts, 2);
}

TEST(PrompterScroller, ViewportChangeAtTheStartFollowsTheNewGeometry)
{
    ScrollRig rig;
    rig.scroller->setViewportHeight(300); // fade 60: lead-in 2.4 + 60
    EXPECT_NEAR(rig.phase(), -62.4, 1e-9);
}

TEST(PrompterScroller, ResetWhileRunningKeepsScrollingFromTheStart)
{
    ScrollRig rig;
    rig.w.model.start();
    rig.run(3.0);
    rig.w.model.reset();
    EXPECT_DOUBLE_EQ(rig.phase(), -rig.leadIn());
    rig.run(1.0);
    EXPECT_NEAR(rig.phase() + rig.leadIn(), 80, 1e-4); // no easing: it never stopped
}

TEST(PrompterScroller, NewTextStartsFromTheTopAndIsMeasuredAgain)
{
    ScrollRig rig("First text.", 200, ScrollMode::stopAtEnd);
    rig.w.model.start();
    rig.run(1.0);
    // Same measured height as before: it still counts as measured for the new text.
    rig.w.model.script = "Second text.";
    EXPECT_DOUBLE_EQ(rig.phase(), -rig.leadIn());
    EXPECT_TRUE(rig.engine().hasMeasuredContentHeight());
    rig.run(5.0);
    EXPECT_TRUE(rig.w.model.didReachEndInStopMode());
    EXPECT_NEAR(rig.phase(), 122.4, 1e-9);
}

TEST(PrompterScroller, StopFollowsANewMeasuredHeight)
{
    ScrollRig rig("Text that is laid out again.", 200, ScrollMode::stopAtEnd);
    rig.w.model.start();
    rig.run(1.0); // the stop target for 200 points is taken by now
    rig.display.copyHeight = 400; // the panel got narrower
    rig.display.report();
    rig.run(8.0);
    EXPECT_TRUE(rig.w.model.didReachEndInStopMode());
    EXPECT_NEAR(rig.phase(), 400 - 77.6, 1e-9);
}

TEST(PrompterScroller, FramesAtSixtyWhileMovingAndEightOtherwise)
{
    ScrollRig rig;
    const int framesAtRest = rig.display.frames;
    EXPECT_DOUBLE_EQ(*rig.scroller->scheduledFrameInterval(), 0.125);
    rig.run(2.0);
    EXPECT_EQ(rig.display.frames, framesAtRest); // idle frames redraw nothing

    rig.w.model.start();
    EXPECT_DOUBLE_EQ(*rig.scroller->scheduledFrameInterval(), 1.0 / 60);
    rig.run(1.0);
    EXPECT_GE(rig.display.frames - framesAtRest, 59);

    rig.w.model.pause();
    rig.run(0.3);
    // Still gliding to a halt at full rate, then idle.
    EXPECT_DOUBLE_EQ(*rig.scroller->scheduledFrameInterval(), 1.0 / 60);
    rig.run(1.0);
    EXPECT_DOUBLE_EQ(*rig.scroller->scheduledFrameInterval(), 0.125);
}

TEST(PrompterScroller, InfinitePhaseStaysBounded)
{
    ScrollRig rig;
    rig.w.model.speedPointsPerSecond = 300;
    rig.w.model.start();
    double highest = 0;
    for (int second = 0; second < 60; ++second) {
        rig.run(1.0);
        highest = std::max(highest, rig.phase());
    }
    EXPECT_LT(highest, 8 * 224.0 + 300.0 / 60);
    EXPECT_TRUE(rig.w.model.isRunning());
}

TEST(PrompterScroller, BlankScriptShowsTheHintAndNeverEnds)
{
    ScrollRig rig(" \n ", 200, ScrollMode::stopAtEnd);
    rig.w.model.start();
    rig.run(3.0);
    EXPECT_FALSE(rig.scroller->hasText());
    EXPECT_FALSE(rig.w.model.didReachEndInStopMode());
    EXPECT_TRUE(rig.w.model.isRunning());
    EXPECT_DOUBLE_EQ(*rig.scroller->scheduledFrameInterval(), 0.125);
}

TEST(PrompterScroller, StartAfterTheEndBeginsAgainFromTheTop)
{
    ScrollRig rig("Text of two hundred points.", 200, ScrollMode::stopAtEnd);
    rig.w.model.start();
    rig.run(5.0);
    ASSERT_TRUE(rig.w.model.didReachEndInStopMode());
    rig.w.model.start();
    EXPECT_DOUBLE_EQ(rig.phase(), -rig.leadIn());
    EXPECT_TRUE(rig.w.model.isRunning());
    EXPECT_FALSE(rig.engine().hasReachedEndInStopMode());
}

} // namespace

TEST(PrompterScroller, StopModeViewGrowingPastTheEndStopsWhereItIs)
{
    // 1000 points of text in a 300-point view, well on its way, when the view grows to 600:
    // the end is already in view, so the text stops there instead of running another cycle.
    ScrollRig rig("A long text.", 1000, ScrollMode::stopAtEnd, 300);
    rig.w.model.start();
    rig.run(9.0);
    const double before = rig.phase();
    ASSERT_GT(before, 600.0);
    rig.scroller->setViewportHeight(600);
    rig.run(0.5);
    EXPECT_TRUE(rig.w.model.didReachEndInStopMode());
    EXPECT_LT(rig.phase(), before + 50);
}
