#include "scripts/DerivedTitle.h"
#include "scripts/GraphemeText.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavilo;

namespace {

std::string repeated(const std::string& piece, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += piece;
    return result;
}

const char* const kUntitled = "Untitled script";

} // namespace

struct TitleCase {
    std::string text;
    std::string expected;
};

class DerivedTitleTest : public testing::TestWithParam<TitleCase> { };

TEST_P(DerivedTitleTest, TakesTheFirstLineTrimmedAndCut)
{
    EXPECT_EQ(derivedTitle(GetParam().text, kUntitled), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, DerivedTitleTest,
    testing::Values(TitleCase { "\n\n  第一行标题  \n正文", "第一行标题" },
        TitleCase { "\r\n\r\nTitle\r\nBody", "Title" },
        TitleCase { "\rOld Mac line\rnext", "Old Mac line" },
        TitleCase { "\v\f\u2028Separated\u2029next\u0085more", "Separated" },
        TitleCase { "\t\u3000Wide spaces\u00A0\u2003\t\nBody", "Wide spaces" },
        TitleCase { "Inner  spaces stay", "Inner  spaces stay" },
        TitleCase { repeated("a", 35), repeated("a", 30) },
        TitleCase { repeated("长", 31), repeated("长", 30) },
        // A family emoji (joined by zero-width joiners) and a letter with a combining accent
        // each count as one character.
        TitleCase { repeated("👨‍👩‍👧", 31), repeated("👨‍👩‍👧", 30) },
        TitleCase { repeated("e\u0301", 40) + "\nBody", repeated("e\u0301", 30) },
        TitleCase { repeated("x", 30), repeated("x", 30) },
        TitleCase { "   \nSecond line", kUntitled },
        TitleCase { "\n\n\t \u3000\n正文", kUntitled },
        TitleCase { "", kUntitled }));

TEST(DerivedTitle, BlankTextIsOnlyWhiteSpaceAndLineBreaks)
{
    EXPECT_TRUE(isBlankText(""));
    EXPECT_TRUE(isBlankText(" \t\r\n\u3000\u2028\u00A0"));
    EXPECT_FALSE(isBlankText("  a  "));
    EXPECT_FALSE(isBlankText("\n好\n"));
}

TEST(GraphemeText, CountsAndCutsUserPerceivedCharacters)
{
    EXPECT_EQ(graphemeCount("a👍🏽é\u0301中"), 4u);
    EXPECT_EQ(graphemePrefix("a👍🏽中文", 2), "a👍🏽");
    EXPECT_EQ(graphemePrefix("ab", 5), "ab");
    EXPECT_EQ(graphemeCount(""), 0u);
}
