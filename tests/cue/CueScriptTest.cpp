#include "cue/CueScript.h"
#include "strings/StringTable.h"

#include <gtest/gtest.h>

using namespace tavilo;

namespace {

struct HeadingCase {
    const char* line;
    bool isHeading;
    const char* title;
    std::optional<int64_t> budget;
};

class HeadingLines : public testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingLines, ParseAsTheMarkupSays)
{
    const auto& c = GetParam();
    const CueScript script = CueScript::parse(std::string(c.line) + "\nbody");
    EXPECT_EQ(script.hasStructure, c.isHeading) << c.line;
    if (!c.isHeading) {
        EXPECT_TRUE(script.sections.empty());
        return;
    }
    ASSERT_EQ(script.sections.size(), 1u) << c.line;
    EXPECT_EQ(script.sections[0].title, c.title);
    EXPECT_EQ(script.sections[0].timeBudgetSeconds, c.budget);
    EXPECT_EQ(script.sections[0].spoken, "body");
}

INSTANTIATE_TEST_SUITE_P(Cases, HeadingLines,
    testing::Values(HeadingCase { "## Title", true, "Title", std::nullopt },
        HeadingCase { "# Title", true, "Title", std::nullopt },
        HeadingCase { "### Title", true, "Title", std::nullopt },
        HeadingCase { "  ## Title", true, "Title", std::nullopt },
        HeadingCase { "\t# Title", true, "Title", std::nullopt },
        HeadingCase { "##Title", false, "", std::nullopt },
        HeadingCase { "##", false, "", std::nullopt },
        HeadingCase { "#", false, "", std::nullopt },
        HeadingCase { "##\tTitle", false, "", std::nullopt },
        HeadingCase { "\xE3\x80\x80## Title", false, "", std::nullopt }, // ideographic space before
        HeadingCase { "＃ Title", false, "", std::nullopt },               // full-width hash is text
        HeadingCase { "## Title\xE3\x80\x80\xC2\xA0", true, "Title", std::nullopt },
        HeadingCase { "## A [2:00]", true, "A", 120 },
        HeadingCase { "## A [0:45]", true, "A", 45 },
        HeadingCase { "## A [1:5]", true, "A", 65 },
        HeadingCase { "## A [ 3 : 30 ]", true, "A", 210 },
        HeadingCase { "## A\t[+1:-0]", true, "A", 60 },
        HeadingCase { "## A [0:00]", true, "A", 0 },
        HeadingCase { "## A [90s]", true, "A [90s]", std::nullopt },
        HeadingCase { "## A [90]", true, "A [90]", std::nullopt },
        HeadingCase { "## A [1:30:00]", true, "A [1:30:00]", std::nullopt },
        HeadingCase { "## A [:30]", true, "A [:30]", std::nullopt },
        HeadingCase { "## Q&A [1:60]", true, "Q&A [1:60]", std::nullopt },
        HeadingCase { "## A [-1:30]", true, "A [-1:30]", std::nullopt },
        HeadingCase { "## A [１:30]", true, "A [１:30]", std::nullopt },
        HeadingCase { "## Title [2:00] more", true, "Title [2:00] more", std::nullopt },
        HeadingCase { "## A ]", true, "A ]", std::nullopt },
        HeadingCase { "## A [999999999999999999:00]", true, "A [999999999999999999:00]", std::nullopt },
        HeadingCase { "## [x] B [1:00]", true, "[x] B", 60 }));

} // namespace

TEST(CueScript, PlainTextHasNoStructureAndKeepsTheWholeText)
{
    const auto script = CueScript::parse("Hello\nworld");
    EXPECT_FALSE(script.hasStructure);
    EXPECT_TRUE(script.sections.empty());
    EXPECT_EQ(script.spokenOnly, "Hello\nworld");
}

TEST(CueScript, IntroHeadingSpokenAndMaterial)
{
    const auto script = CueScript::parse("Intro line\n## A [1:00]\nSay this\n> Key fact");
    ASSERT_EQ(script.sections.size(), 2u);
    EXPECT_EQ(script.sections[0].title, "");
    EXPECT_EQ(script.sections[0].spoken, "Intro line");
    EXPECT_FALSE(script.sections[0].timeBudgetSeconds);
    EXPECT_EQ(script.sections[1].title, "A");
    EXPECT_EQ(script.sections[1].timeBudgetSeconds, 60);
    EXPECT_EQ(script.sections[1].spoken, "Say this");
    EXPECT_EQ(script.sections[1].materials, (std::vector<CueMaterial> { { "Key fact", false } }));
    EXPECT_EQ(script.spokenOnly, "Intro line\nSay this");
}

TEST(CueScript, MaterialLines)
{
    const auto script = CueScript::parse("# P\n>?\n>\n> ?\n  >?  maybe \n>must\n＞ wide");
    ASSERT_EQ(script.sections.size(), 1u);
    const std::vector<CueMaterial> expected { { "", true }, { "", false }, { "?", false }, { "maybe", true },
        { "must", false } };
    EXPECT_EQ(script.sections[0].materials, expected);
    EXPECT_EQ(script.sections[0].spoken, "＞ wide");
}

TEST(CueScript, SpokenKeepsInnerBlankLinesAndSpokenOnlyKeepsEveryOrdinaryLine)
{
    const auto script = CueScript::parse("\n# A\n\n first \n\n second\n\n# B\n> m\n");
    ASSERT_EQ(script.sections.size(), 2u);
    EXPECT_EQ(script.sections[0].spoken, "first \n\n second");
    EXPECT_EQ(script.sections[1].spoken, "");
    EXPECT_EQ(script.spokenOnly, "\n\n first \n\n second\n\n");
}

TEST(CueScript, EmptyHeadingsMakeNoSectionButStillStructure)
{
    for (const char* text : { "## ", "## [2:00]", "## \n\n  \n" }) {
        const auto script = CueScript::parse(text);
        EXPECT_TRUE(script.hasStructure) << text;
        EXPECT_TRUE(script.sections.empty()) << text;
    }
    const auto titled = CueScript::parse("## Only a title");
    ASSERT_EQ(titled.sections.size(), 1u);
    EXPECT_TRUE(titled.sections[0].spoken.empty());
    EXPECT_TRUE(titled.sections[0].materials.empty());
}

TEST(CueScript, TwoParsesCompareEqualThoughTheIdsDiffer)
{
    const char* text = "# A [1:00]\nx\n# B\n>? y";
    const auto a = CueScript::parse(text);
    const auto b = CueScript::parse(text);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.sections[0].id, b.sections[0].id);
    EXPECT_NE(a, CueScript::parse("# A [1:01]\nx\n# B\n>? y"));
    EXPECT_EQ(a.totalBudgetSeconds(), 60);
}

TEST(CueScript, MalformedUtf8IsKeptAsText)
{
    const std::string text = "# T\xC3\n\xFF\xFE body";
    const auto script = CueScript::parse(text);
    ASSERT_EQ(script.sections.size(), 1u);
    EXPECT_EQ(script.sections[0].title, "T\xC3");
    EXPECT_EQ(script.sections[0].spoken, "\xFF\xFE body");
}

TEST(CueScript, NewCueTemplateParsesToThreeTimedPointsInBothLanguages)
{
    for (auto language : kAllAppLanguages) {
        const auto script = CueScript::parse(StringTable::shipped().text(LK::libCueTemplateBody, language));
        ASSERT_EQ(script.sections.size(), 3u);
        const std::vector<std::vector<bool>> optional { { false, true }, { false, false, true }, { false } };
        const int64_t budgets[] = { 120, 180, 60 };
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(script.sections[i].timeBudgetSeconds, budgets[i]);
            EXPECT_TRUE(script.sections[i].spoken.empty());
            std::vector<bool> kinds;
            for (const auto& m : script.sections[i].materials)
                kinds.push_back(m.isOptional);
            EXPECT_EQ(kinds, optional[i]);
        }
        EXPECT_EQ(script.spokenOnly, "\n");
    }
    EXPECT_EQ(CueScript::parse(StringTable::shipped().text(LK::libCueTemplateBody, AppLanguage::zhHans)).sections[0].title,
        "开场：一句话主题");
}
