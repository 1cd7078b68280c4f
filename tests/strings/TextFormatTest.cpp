#include "strings/TextFormat.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavilo;

struct FormatCase {
    const char* format;
    std::vector<FormatArgument> arguments;
    const char* expected;
};

class TextFormatTest : public testing::TestWithParam<FormatCase> { };

TEST_P(TextFormatTest, FillsPlaceholdersInOrder)
{
    const auto& c = GetParam();
    EXPECT_EQ(formatText(c.format, c.arguments), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextFormatTest,
    testing::Values(FormatCase { "总览 · 共 %d 点", { 3 }, "总览 · 共 3 点" },
        FormatCase { "Estimated %@ · target %@", { "1:30", "2:00" }, "Estimated 1:30 · target 2:00" },
        FormatCase { "%d generations left today", { -2 }, "-2 generations left today" },
        FormatCase { "%d%% done", { 50 }, "50% done" },
        // Mismatched argument lists never fail.
        FormatCase { "Next ▸ %@", {}, "Next ▸ %@" },
        FormatCase { "%@ and %@", { "one" }, "one and %@" },
        FormatCase { "Required: %@", { 7 }, "Required: 7" },
        FormatCase { "(%d)", { "x" }, "(x)" },
        FormatCase { "%@", { "a", "b" }, "a" },
        FormatCase { "%s %02d 100%", { 1 }, "%s %02d 100%" }));

TEST(TextFormat, TakesEveryIntegerKind)
{
    EXPECT_EQ(formatText("%d %d %d", { size_t { 12 }, int64_t { -5 }, uint64_t { 18446744073709551615ull } }),
        "12 -5 18446744073709551615");
}
