#include "ModelWorld.h"
#include "core/CueCardContent.h"

#include <gtest/gtest.h>

using namespace tavilo;
using namespace std::chrono_literals;

TEST(CueCard, SectionTimerTurnsOverBudgetOnlyPastTheBudget)
{
    ModelWorld w;
    w.model.script = "# Opening [1:00]\n> hello\n#  [0:30]\n";
    w.model.showCueTotalTimer = true;
    w.model.enterCue();
    w.loop.advance(60s);
    auto c = cuecard::card(w.model, w.localization, w.loop.currentDate());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->header.position, "1/1"); // "#  [0:30]" has an empty title and nothing under it
    EXPECT_EQ(c->header.sectionTimer, "1:00 / 1:00");
    EXPECT_FALSE(c->header.overBudget);
    EXPECT_EQ(c->header.totalTimer, "· 1:00");
    w.loop.advance(1s);
    c = cuecard::card(w.model, w.localization, w.loop.currentDate());
    EXPECT_EQ(c->header.sectionTimer, "1:01 / 1:00");
    EXPECT_TRUE(c->header.overBudget);
    EXPECT_TRUE(c->isLastPoint);
    EXPECT_EQ(c->footer, w.localization.text(LK::cueLastPoint));
}

TEST(CueCard, FooterNamesTheNextPointAndMinutesDoNotWrap)
{
    ModelWorld w;
    w.model.script = "# A\nx\n# \n> untitled point\n";
    w.model.enterCue();
    w.loop.advance(3725s);
    auto c = cuecard::card(w.model, w.localization, w.loop.currentDate());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->header.sectionTimer, "62:05");
    EXPECT_FALSE(c->header.totalTimer);
    EXPECT_EQ(c->footer, w.localization.format(LK::cueNextPoint, { w.localization.text(LK::libUntitled) }));
    EXPECT_EQ(cuecard::minutesSeconds(-5), "0:00");
}

TEST(CueCard, ProgressIsCapsulesBelowFifteenPointsAndABarFromThere)
{
    for (int points : { 5, 14, 15, 40 }) {
        ModelWorld w;
        std::string text;
        for (int i = 0; i < points; ++i)
            text += "# P" + std::to_string(i) + "\n";
        w.model.script = text;
        w.model.enterCue();
        w.model.jumpToCuePoint(2);
        const auto c = cuecard::card(w.model, w.localization, w.loop.currentDate());
        ASSERT_TRUE(c);
        EXPECT_EQ(c->progress.isBar, points >= 15) << points;
        if (points < 15) {
            ASSERT_EQ(c->progress.capsules.size(), static_cast<size_t>(points));
            EXPECT_EQ(c->progress.capsules[1], cuecard::CapsuleTone::before);
            EXPECT_EQ(c->progress.capsules[2], cuecard::CapsuleTone::current);
            EXPECT_EQ(c->progress.capsules[3], cuecard::CapsuleTone::after);
        } else {
            EXPECT_DOUBLE_EQ(c->progress.barFillWidth(300), 300.0 * 3 / points);
            EXPECT_DOUBLE_EQ(c->progress.barFillWidth(1), 3.0);
        }
    }
}

TEST(CueCard, NoSectionsGiveNoCardAndTheOverviewListsEveryPoint)
{
    ModelWorld w;
    w.model.script = "plain";
    w.model.enterCue();
    EXPECT_FALSE(cuecard::card(w.model, w.localization, w.loop.currentDate()));
    w.model.script = "# A [2:00]\n# \n>?x\n# C";
    w.model.jumpToCuePoint(1);
    const auto rows = cuecard::overview(w.model, w.localization);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].budget, "2:00");
    EXPECT_EQ(rows[0].tone, cuecard::CapsuleTone::before);
    EXPECT_EQ(rows[1].title, w.localization.text(LK::libUntitled));
    EXPECT_EQ(rows[1].tone, cuecard::CapsuleTone::current);
    EXPECT_EQ(rows[2].number, 3);
    EXPECT_FALSE(rows[2].budget);
}
