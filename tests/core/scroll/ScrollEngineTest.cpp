// The engine on its own: derived geometry, frame steps and the end of the text, with frame
// times handed in directly.

#include "core/ScrollEngine.h"

#include <gtest/gtest.h>

using namespace tavilo;

namespace {

MonotonicTime at(double seconds)
{
    return MonotonicTime {} + toDuration(seconds);
}

ScrollEngine::Inputs inputs(ScrollMode mode, bool running, double fontSize = 20)
{
    ScrollEngine::Inputs in;
    in.text = "Text";
    in.fontSize = fontSize;
    in.isRunning = running;
    in.scrollMode = mode;
    return in;
}

struct GeometryCase {
    const char* name;
    double fontSize;
    double viewport;
    double content;
    ScrollMode mode;
    double leadIn;
    double endPhase;
    int copies;
};

class ScrollGeometry : public testing::TestWithParam<GeometryCase> {};

TEST_P(ScrollGeometry, LeadInEndPhaseAndCopies)
{
    const auto& c = GetParam();
    ScrollEngine engine(inputs(c.mode, false, c.fontSize));
    engine.setMeasuredContentHeight(c.content);
    engine.appear(c.viewport);
    EXPECT_NEAR(engine.leadIn(), c.leadIn, 1e-9);
    EXPECT_NEAR(engine.endPhase(), c.endPhase, 1e-9);
    EXPECT_EQ(engine.copies(), c.copies);
    // The start places the first line lead-in below the top edge.
    EXPECT_NEAR(engine.phase(), -c.leadIn, 1e-9);
    if (c.leadIn < engine.cycle()) {
        EXPECT_NEAR(engine.verticalOffset(), c.leadIn, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScrollGeometry,
    testing::Values(
        // Nothing measured about the viewport yet: the bare lead-in, no fade, three copies.
        GeometryCase { "NoViewport", 20, 0, 200, ScrollMode::infinite, 9, 200, 3 },
        // 0.2 of 100 fades 20 points; lead-in = 2.4 + 20; the end leaves 77.6 points of room.
        GeometryCase { "NotchPanel", 20, 100, 200, ScrollMode::infinite, 22.4, 122.4, 3 },
        GeometryCase { "StopModeDrawsOneCopy", 20, 100, 200, ScrollMode::stopAtEnd, 22.4, 122.4, 1 },
        // A text shorter than the room: the end is the lead-in bound.
        GeometryCase { "ShortTextInTallView", 40, 600, 100, ScrollMode::infinite, 124.8, -124.8, 7 },
        // The lead-in never drops below its base of fontSize × 0.45 clamped to [8, 22].
        GeometryCase { "SmallFontLowView", 12, 30, 50, ScrollMode::infinite, 8, 50 - (30 - 8), 3 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollEngine, LongStallAdvancesAtMostAQuarterSecond)
{
    ScrollEngine engine(inputs(ScrollMode::infinite, true));
    engine.setMeasuredContentHeight(5000);
    engine.appear(100);
    engine.tick(at(0));
    const double before = engine.phase();
    engine.tick(at(30)); // the machine slept
    EXPECT_NEAR(engine.phase() - before, 0.25 * 80, 1e-9);
}

TEST(ScrollEngine, StopModeReportsTheEndOnceAndStaysThere)
{
    ScrollEngine engine(inputs(ScrollMode::stopAtEnd, true));
    int reports = 0;
    engine.onReachedEnd = [&] { ++reports; };
    engine.setMeasuredContentHeight(24);
    engine.appear(100);
    // The engine keeps being told it runs: the end is still reported only once.
    for (int frame = 0; frame <= 180; ++frame)
        engine.tick(at(frame / 60.0));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(engine.hasReachedEndInStopMode());
    EXPECT_DOUBLE_EQ(engine.phase(), -engine.leadIn());
    EXPECT_EQ(engine.currentSpeedMultiplier(), 0);
}

TEST(ScrollEngine, StopModeNeverStopsBeforeTheHeightIsMeasured)
{
    ScrollEngine engine(inputs(ScrollMode::stopAtEnd, true));
    int reports = 0;
    engine.onReachedEnd = [&] { ++reports; };
    engine.appear(100);
    for (int frame = 0; frame <= 300; ++frame)
        engine.tick(at(frame / 60.0));
    EXPECT_EQ(reports, 0);
    EXPECT_GT(engine.phase(), 300);
    // Manual steps fall back to the infinite-mode bounds meanwhile.
    engine.manualStep(-5000);
    EXPECT_DOUBLE_EQ(engine.phase(), -engine.leadIn());
}

TEST(ScrollEngine, BlankTextNeverMovesNorEnds)
{
    auto in = inputs(ScrollMode::stopAtEnd, true);
    in.text = " \n\t ";
    ScrollEngine engine(in);
    int reports = 0;
    engine.onReachedEnd = [&] { ++reports; };
    engine.setMeasuredContentHeight(0);
    engine.appear(100);
    const double start = engine.phase();
    for (int frame = 0; frame <= 180; ++frame)
        engine.tick(at(frame / 60.0));
    engine.jumpBack(100);
    engine.manualStep(50);
    EXPECT_FALSE(engine.hasText());
    EXPECT_EQ(engine.phase(), start);
    EXPECT_EQ(engine.verticalOffset(), 0);
    EXPECT_EQ(reports, 0);
    // Nothing moves, so nothing asks for 60 frames a second.
    EXPECT_FALSE(engine.wantsFullFrameRate());
}

TEST(ScrollEngine, SubStepsMakeTheFrameRateIrrelevant)
{
    // One 0.25 s frame and fifteen 1/60 s frames of a start end in the same place, easing
    // included.
    ScrollEngine coarse(inputs(ScrollMode::infinite, false));
    ScrollEngine fine(inputs(ScrollMode::infinite, false));
    for (auto* e : { &coarse, &fine }) {
        e->setMeasuredContentHeight(5000);
        e->appear(100);
        e->setRunning(true, at(0));
    }
    coarse.tick(at(0.25));
    for (int frame = 1; frame <= 15; ++frame)
        fine.tick(at(frame / 60.0));
    EXPECT_NEAR(coarse.phase(), fine.phase(), 1e-6);
    EXPECT_NEAR(coarse.currentSpeedMultiplier(), fine.currentSpeedMultiplier(), 1e-6);
    EXPECT_GT(coarse.currentSpeedMultiplier(), 0.8);
    EXPECT_LT(coarse.currentSpeedMultiplier(), 0.95);
}

} // namespace
