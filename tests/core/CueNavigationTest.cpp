#include "ModelWorld.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {
const char* const kFivePoints = "# A [1:00]\n> a1\n>? a2\n> a3\n# B\nspoken\n# C\n# D\n# E";

struct CueWorld : ModelWorld {
    CueWorld()
    {
        model.script = kFivePoints;
        model.enterCue();
    }
};
} // namespace

TEST(CueNavigation, EnterStopsTheRunAndStampsTheTimes)
{
    ModelWorld w;
    w.model.script = kFivePoints;
    w.model.start(); // counting down
    w.model.activeSectionIndex = 99;
    w.model.enterCue();
    EXPECT_FALSE(w.model.isCountingDown());
    EXPECT_FALSE(w.model.isRunning());
    w.loop.advance(5s);
    EXPECT_FALSE(w.model.isRunning());
    EXPECT_EQ(w.model.activeSectionIndex(), 4);
    EXPECT_EQ(w.model.cueStartedAt(), w.model.cueSectionStartedAt());
    EXPECT_FALSE(w.model.scrollSessionActive());
    w.model.exitCue();
    EXPECT_EQ(w.model.readingMode(), ReadingMode::normal);
    EXPECT_FALSE(w.model.cueStartedAt());
    EXPECT_FALSE(w.model.cueSectionStartedAt());
}

TEST(CueNavigation, NextOnTheLastPointKeepsItsTimerAndMaterial)
{
    CueWorld w;
    w.model.jumpToCuePoint(4);
    const auto started = w.model.cueSectionStartedAt();
    w.model.cueMaterialIndex = 0;
    w.loop.advance(2s);
    w.model.nextCuePoint();
    EXPECT_EQ(w.model.activeSectionIndex(), 4);
    EXPECT_EQ(w.model.cueSectionStartedAt(), started);
    w.model.previousCuePoint();
    EXPECT_EQ(w.model.activeSectionIndex(), 3);
    EXPECT_NE(w.model.cueSectionStartedAt(), started);
}

TEST(CueNavigation, JumpToPointClosesTheOverviewAndRestartsTheTimer)
{
    CueWorld w;
    w.model.toggleCueOverview();
    ASSERT_TRUE(w.model.cueShowingOverview());
    w.model.jumpToCuePoint(8);
    EXPECT_TRUE(w.model.cueShowingOverview());
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
    w.loop.advance(3s);
    w.model.jumpToCuePoint(2);
    EXPECT_FALSE(w.model.cueShowingOverview());
    EXPECT_EQ(w.model.activeSectionIndex(), 2);
    EXPECT_EQ(w.model.cueSectionStartedAt(), w.loop.currentDate());
    // Jumping to the current point changes nothing, so its timer keeps running.
    w.loop.advance(3s);
    w.model.jumpToCuePoint(2);
    EXPECT_EQ(w.loop.currentDate().secondsSince(*w.model.cueSectionStartedAt()), 3);
}

TEST(CueNavigation, ScrollCueMovesMaterialsOnTheCardAndPointsInTheOverview)
{
    CueWorld w;
    std::vector<int64_t> seen;
    for (int i = 0; i < 3; ++i) {
        w.model.scrollCue(+1);
        seen.push_back(w.model.cueMaterialIndex());
    }
    EXPECT_EQ(seen, (std::vector<int64_t> { 1, 2, 2 }));
    w.model.nextCuePoint(); // B has no materials
    w.model.scrollCue(+1);
    EXPECT_EQ(w.model.cueMaterialIndex(), 0);
    w.model.toggleCueOverview();
    w.model.scrollCue(-1);
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
    EXPECT_TRUE(w.model.cueShowingOverview());
    w.model.scrollCue(-1);
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
}

TEST(CueNavigation, EditedScriptWithFewerPointsIsReadClamped)
{
    CueWorld w;
    w.model.jumpToCuePoint(4);
    w.model.script = "# A\n# B";
    EXPECT_EQ(w.model.activeSectionIndex(), 4);
    EXPECT_EQ(w.model.clampedSectionIndex(), 1);
    w.model.previousCuePoint();
    EXPECT_EQ(w.model.activeSectionIndex(), 3);
}

TEST(CueNavigation, ScriptWithoutHeadingsTogglesInAndOut)
{
    ModelWorld w;
    w.model.script = "plain text";
    w.model.toggleCue();
    EXPECT_EQ(w.model.readingMode(), ReadingMode::cue);
    w.model.nextCuePoint();
    w.model.scrollCue(1);
    w.model.jumpToCuePoint(0);
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
    EXPECT_EQ(w.model.clampedSectionIndex(), 0);
    w.model.toggleCue();
    EXPECT_EQ(w.model.readingMode(), ReadingMode::normal);
}

TEST(CueNavigation, OperationsOutsideCueModeDoNothing)
{
    ModelWorld w;
    w.model.script = kFivePoints;
    w.model.nextCuePoint();
    w.model.toggleCueOverview();
    w.model.jumpToCuePoint(2);
    w.model.scrollCue(1);
    EXPECT_EQ(w.model.activeSectionIndex(), 0);
    EXPECT_FALSE(w.model.cueShowingOverview());
    EXPECT_EQ(w.model.cueMaterialIndex(), 0);
}
