#include "core/ClockFormat.h"
#include "core/ReadingEstimate.h"
#include "core/RunTimerDisplay.h"
#include "scripts/WordCount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tavilo;

namespace {

struct ClockCase {
    int64_t seconds;
    const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* os)
{
    *os << c.seconds;
}

class ClockFormatTest : public testing::TestWithParam<ClockCase> {};

TEST_P(ClockFormatTest, Formats)
{
    EXPECT_EQ(formatClock(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClockFormatTest,
    testing::Values(ClockCase { 0, "0:00" }, ClockCase { 5, "0:05" }, ClockCase { 75, "1:15" },
        ClockCase { 3599, "59:59" }, ClockCase { 3600, "1:00:00" }, ClockCase { 3725, "1:02:05" },
        ClockCase { 36000 + 59, "10:00:59" }, ClockCase { -5, "0:00" },
        ClockCase { std::numeric_limits<int64_t>::min(), "0:00" }));

TEST(RoundedSeconds, HalvesAwayFromZeroAndOddValuesHeld)
{
    EXPECT_EQ(roundedSeconds(2.4), 2);
    EXPECT_EQ(roundedSeconds(2.5), 3);
    EXPECT_EQ(roundedSeconds(-2.5), -3);
    EXPECT_EQ(roundedSeconds(59.5), 60);
    EXPECT_EQ(roundedSeconds(std::nan("")), 0);
    EXPECT_EQ(roundedSeconds(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(roundedSeconds(-1e300), std::numeric_limits<int64_t>::min());
}

struct WordCase {
    const char* text;
    int64_t words;
};

void PrintTo(const WordCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class WordCountTest : public testing::TestWithParam<WordCase> {};

TEST_P(WordCountTest, Counts)
{
    EXPECT_EQ(wordCount(GetParam().text), GetParam().words) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, WordCountTest,
    testing::Values(WordCase { "", 0 }, WordCase { "Hello, world", 2 }, WordCase { "你好世界", 4 },
        WordCase { "第3版", 3 }, WordCase { "AI提词", 3 }, WordCase { "ひらがな カタカナ", 8 },
        WordCase { "한국어 text", 4 }, WordCase { "café naïve", 2 }, WordCase { "e\xCC\x81t\xC3\xA9", 1 },
        WordCase { "don't", 2 }, WordCase { "3.14", 2 }, WordCase { "...!?", 0 },
        WordCase { "a\xFF" "b", 2 }));

TEST(WhitespaceRuns, CountSpaceFreeRuns)
{
    EXPECT_EQ(whitespaceSeparatedRunCount(""), 0);
    EXPECT_EQ(whitespaceSeparatedRunCount(" \n\t\xE3\x80\x80"), 0); // U+3000 ideographic space
    EXPECT_EQ(whitespaceSeparatedRunCount("  one two\nthree  "), 3);
    EXPECT_EQ(whitespaceSeparatedRunCount("你好，世界 再见"), 2);
}

TEST(ReadingEstimate, PaceAndFloor)
{
    std::string script;
    for (int i = 0; i < 160; ++i)
        script += "word ";
    EXPECT_DOUBLE_EQ(estimatedDurationSeconds(script, 85), 60);
    EXPECT_DOUBLE_EQ(estimatedDurationSeconds(script, 170), 30);
    // 20 points per second would be 37.6 words per minute; the floor is 60.
    EXPECT_DOUBLE_EQ(estimatedDurationSeconds(script, 20), 160);
    EXPECT_DOUBLE_EQ(estimatedDurationSeconds(" \n ", 85), 0);
    EXPECT_DOUBLE_EQ(estimatedDurationSeconds("中文没有空格", 85), 60.0 / 160.0);
}

struct TextCase {
    TimerMode mode;
    double elapsed;
    int64_t target;
    double estimate;
    const char* text;
    bool passed;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << caseName(c.mode) << " at " << c.elapsed << " s";
}

class TimerTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(TimerTextTest, TextAndTarget)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(timerText(c.mode, c.elapsed, c.target, c.estimate), c.text);
    EXPECT_EQ(timerTargetPassed(c.mode, c.elapsed, c.target), c.passed);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerTextTest,
    testing::Values(TextCase { TimerMode::off, 100, 60, 0, "", false },
        TextCase { TimerMode::countUp, 75.4, 60, 0, "1:15", false },
        TextCase { TimerMode::countUp, 3724.5, 60, 0, "1:02:05", false },
        TextCase { TimerMode::countDown, 0, 60, 0, "1:00", false },
        TextCase { TimerMode::countDown, 59.4, 60, 0, "0:01", false },
        TextCase { TimerMode::countDown, 59.5, 60, 0, "0:00", true },
        TextCase { TimerMode::countDown, 125, 60, 0, "+1:05", true },
        TextCase { TimerMode::remaining, 15, 60, 60, "0:45", false },
        TextCase { TimerMode::remaining, 90, 60, 60, "0:00", false },
        TextCase { TimerMode::remaining, 10, 60, 0, "0:00", false }));

TEST(TimerBadgeVisibility, NeedsModeStartedSessionAndNoCountdown)
{
    EXPECT_TRUE(timerBadgeVisible(TimerMode::countUp, true, false));
    EXPECT_FALSE(timerBadgeVisible(TimerMode::off, true, false));
    EXPECT_FALSE(timerBadgeVisible(TimerMode::remaining, false, false));
    EXPECT_FALSE(timerBadgeVisible(TimerMode::countDown, true, true));
}

} // namespace
