#include "ExpectedTexts.h"
#include "strings/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavilo;

namespace {

// The "%@" and "%d" placeholders of a text, in order.
std::vector<std::string> placeholders(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (text[i + 1] == '@' || text[i + 1] == 'd')
            found.push_back(text.substr(i, 2));
        ++i;
    }
    return found;
}

} // namespace

TEST(StringTable, KeysAreDeclaredInOrderWithTheirNamesAsRawValues)
{
    const auto keys = allLKKeys();
    ASSERT_EQ(keys.size(), std::size(kExpectedKeyOrder));
    EXPECT_EQ(kLKCount, 267u);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(static_cast<size_t>(keys[i]), i);
        EXPECT_EQ(rawValue(keys[i]), kExpectedKeyOrder[i]);
        EXPECT_EQ(lkFromRawValue(kExpectedKeyOrder[i]), keys[i]);
    }
    EXPECT_EQ(lkFromRawValue("noSuchKey"), std::nullopt);
}

TEST(StringTable, EveryKeyHasBothTextsWithTheSamePlaceholders)
{
    const StringTable& table = StringTable::shipped();
    for (LK key : allLKKeys()) {
        SCOPED_TRACE(std::string(rawValue(key)));
        const auto& zh = table.entry(key, AppLanguage::zhHans);
        const auto& en = table.entry(key, AppLanguage::en);
        ASSERT_TRUE(zh.has_value());
        ASSERT_TRUE(en.has_value());
        EXPECT_FALSE(zh->empty());
        EXPECT_FALSE(en->empty());
        EXPECT_EQ(placeholders(*zh), placeholders(*en));
        // Chords are shown in their Linux form only.
        for (const std::string* text : { &*zh, &*en }) {
            EXPECT_EQ(text->find("⌘"), std::string::npos) << *text;
            EXPECT_EQ(text->find("⌥"), std::string::npos) << *text;
        }
    }
}

TEST(StringTable, FixedTextsReadExactly)
{
    const StringTable& table = StringTable::shipped();
    for (const ExpectedText& expected : kExpectedTexts) {
        SCOPED_TRACE(std::string(rawValue(expected.key)));
        EXPECT_EQ(table.text(expected.key, AppLanguage::zhHans), expected.zhHans);
        EXPECT_EQ(table.text(expected.key, AppLanguage::en), expected.en);
    }
}

struct ChordCase {
    LK key;
    const char* chord;
};

class ChordTextTest : public testing::TestWithParam<ChordCase> { };

TEST_P(ChordTextTest, ShowsTheLinuxChordInBothLanguages)
{
    const auto& c = GetParam();
    for (AppLanguage language : kAllAppLanguages)
        EXPECT_NE(StringTable::shipped().text(c.key, language).find(c.chord), std::string::npos)
            << rawValue(c.key) << " " << rawValue(language);
}

INSTANTIATE_TEST_SUITE_P(Hints, ChordTextTest,
    testing::Values(ChordCase { LK::cueEnterHint, "Ctrl+Alt+G" }, ChordCase { LK::cueOverviewHint, "Ctrl+Alt+L" },
        ChordCase { LK::handsFreeHint, "Ctrl+Alt " }));

struct LookupCase {
    LK key;
    AppLanguage language;
    const char* expected;
};

class LookupFallbackTest : public testing::TestWithParam<LookupCase> {
protected:
    // menuJumpBack has no row at all.
    const StringTable m_table { {
        { LK::menuStart, "开始", "Start" },
        { LK::menuPause, std::nullopt, "Pause" },
        { LK::editCut, "剪切", std::nullopt },
        { LK::menuQuit, std::nullopt, std::nullopt },
    } };
};

TEST_P(LookupFallbackTest, FallsBackToEnglishThenToTheKeyName)
{
    const auto& c = GetParam();
    EXPECT_EQ(m_table.text(c.key, c.language), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, LookupFallbackTest,
    testing::Values(LookupCase { LK::menuStart, AppLanguage::zhHans, "开始" },
        LookupCase { LK::menuStart, AppLanguage::en, "Start" },
        LookupCase { LK::menuPause, AppLanguage::zhHans, "Pause" },
        LookupCase { LK::editCut, AppLanguage::zhHans, "剪切" },
        LookupCase { LK::editCut, AppLanguage::en, "editCut" },
        LookupCase { LK::menuQuit, AppLanguage::zhHans, "menuQuit" },
        LookupCase { LK::menuJumpBack, AppLanguage::zhHans, "menuJumpBack" },
        LookupCase { LK::menuJumpBack, AppLanguage::en, "menuJumpBack" }));
