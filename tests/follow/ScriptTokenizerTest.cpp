#include "follow/ScriptTokenizer.h"
#include "follow/TextCharacters.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavilo;

namespace {

struct TokenizeCase {
    const char* name;
    std::string text;
    std::vector<ScriptToken> tokens;
};

void PrintTo(const TokenizeCase& c, std::ostream* os) { *os << c.name; }

class TokenizeTable : public testing::TestWithParam<TokenizeCase> { };

TEST_P(TokenizeTable, ProducesTokensWithCharacterRanges)
{
    const auto& c = GetParam();
    EXPECT_EQ(tokenize(c.text), c.tokens);
    std::vector<std::string> keys;
    for (const auto& token : c.tokens)
        keys.push_back(token.text);
    EXPECT_EQ(tokenKeys(c.text), keys);
}

INSTANTIATE_TEST_SUITE_P(Tokenizer, TokenizeTable,
    testing::Values(TokenizeCase { "empty", "", {} }, TokenizeCase { "separatorsOnly", " ,.!? \n\t—…", {} },
        TokenizeCase { "latinWords", "Hello, World!", { { "hello", 0, 5 }, { "world", 7, 12 } } },
        TokenizeCase { "cjkEndsWord", "AI技术", { { "ai", 0, 2 }, { "技", 2, 3 }, { "术", 3, 4 } } },
        TokenizeCase { "lettersAndDigitsOneWord", "中文abc123", { { "中", 0, 1 }, { "文", 1, 2 }, { "abc123", 2, 8 } } },
        TokenizeCase { "apostrophe", "don't", { { "don", 0, 3 }, { "t", 4, 5 } } },
        TokenizeCase { "hyphen", "e-mail", { { "e", 0, 1 }, { "mail", 2, 6 } } },
        TokenizeCase { "fullWidth", "ＡＢＣ", { { "abc", 0, 3 } } },
        TokenizeCase { "singleDigitBeforeUnit", "3个", { { "三", 0, 1 }, { "个", 1, 2 } } },
        TokenizeCase { "spelledTokensShareRange", "25元", { { "二", 0, 2 }, { "十", 0, 2 }, { "五", 0, 2 }, { "元", 2, 3 } } },
        TokenizeCase { "yearIsNoUnit", "2024年", { { "2024", 0, 4 }, { "年", 4, 5 } } },
        TokenizeCase { "leadingZeroKept", "012个", { { "012", 0, 3 }, { "个", 3, 4 } } },
        TokenizeCase { "thirteenDigitsKept", "1234567890123元", { { "1234567890123", 0, 13 }, { "元", 13, 14 } } },
        TokenizeCase { "twelveDigitsSpelled", "100000000000元",
            { { "一", 0, 12 }, { "千", 0, 12 }, { "亿", 0, 12 }, { "元", 12, 13 } } },
        TokenizeCase { "decimalFraction", "3.5万", { { "3", 0, 1 }, { "5", 2, 3 }, { "万", 3, 4 } } },
        TokenizeCase { "minutes", "10:30个", { { "10", 0, 2 }, { "30", 3, 5 }, { "个", 5, 6 } } },
        TokenizeCase { "fullWidthDigitsSpelled", "１２个", { { "十", 0, 2 }, { "二", 0, 2 }, { "个", 2, 3 } } },
        // 101 reads 一百〇一, and 〇 lies outside the CJK ranges: the digits stay.
        TokenizeCase { "spellOutWithZeroSignKept", "101元", { { "101", 0, 3 }, { "元", 3, 4 } } },
        TokenizeCase { "digitsAtEndKept", "共25", { { "共", 0, 1 }, { "25", 1, 3 } } },
        TokenizeCase { "kanaAndHangul", "カナかな한국", { { "カ", 0, 1 }, { "ナ", 1, 2 }, { "か", 2, 3 }, { "な", 3, 4 }, { "한", 4, 5 }, { "국", 5, 6 } } },
        TokenizeCase { "accentKept", "Café", { { "café", 0, 4 } } },
        TokenizeCase { "combiningAccentIsOneCharacter", "Cafe\u0301 ok", { { "café", 0, 4 }, { "ok", 5, 7 } } },
        TokenizeCase { "compatibilityIdeograph", "\uF900", { { "\u8C48", 0, 1 } } },
        TokenizeCase { "emojiAndFlagsAreSeparators", "a👍🏽b🇨🇳c", { { "a", 0, 1 }, { "b", 2, 3 }, { "c", 4, 5 } } },
        TokenizeCase { "crlfIsOneCharacter", "a\r\nb", { { "a", 0, 1 }, { "b", 2, 3 } } },
        TokenizeCase { "cyrillicAndRoman", "Привет Ⅻ", { { "привет", 0, 6 }, { "xii", 7, 8 } } },
        TokenizeCase { "compatibilityLetterFolds", "ⁿ²", { { "n2", 0, 2 } } },
        TokenizeCase { "illFormedBytesAreSeparators", std::string("ab\xFF" "cd"), { { "ab", 0, 2 }, { "cd", 3, 5 } } }),
    [](const testing::TestParamInfo<TokenizeCase>& info) { return std::string(info.param.name); });

TEST(Tokenizer, NormalizeTokenMayVanish)
{
    EXPECT_EQ(normalizeToken("ＡＢＣ"), "abc");
    EXPECT_EQ(normalizeToken("Straße"), "straße");
    EXPECT_EQ(normalizeToken("¼"), "14"); // NFKC gives 1⁄4; the fraction slash is dropped
    EXPECT_EQ(normalizeToken("!?"), "");
}

TEST(Tokenizer, SpellOutNumeralGuards)
{
    auto characters = splitCharacters("共25元和3.5万");
    EXPECT_EQ(spellOutNumeral("25", characters, 1, 3), std::optional<std::string>("二十五"));
    EXPECT_EQ(spellOutNumeral("25", characters, 1, 2), std::nullopt); // followed by 5, not a unit
    EXPECT_EQ(spellOutNumeral("5", characters, 7, 8), std::nullopt);  // after "3."
    EXPECT_EQ(spellOutNumeral("2a", characters, 1, 3), std::nullopt);
    EXPECT_EQ(spellOutNumeral("25", characters, 1, static_cast<int64_t>(characters.size())), std::nullopt);
}

TEST(Tokenizer, CJKCharacterPredicate)
{
    EXPECT_TRUE(isCJKCharacter("中"));
    EXPECT_TRUE(isCJKCharacter("ア"));
    EXPECT_TRUE(isCJKCharacter("한"));
    EXPECT_TRUE(isCJKCharacter("\uF900"));
    EXPECT_FALSE(isCJKCharacter("〇"));
    EXPECT_FALSE(isCJKCharacter("a"));
    EXPECT_FALSE(isCJKCharacter("\U0002000B")); // extension B lies outside the five ranges
}

// The ASCII and single-scalar shortcuts must cut exactly where ICU's rules cut.
TEST(GraphemeIterator, FastPathAgreesWithIcuOnRandomText)
{
    const std::vector<char32_t> alphabet = { 'a', 'Z', '7', ' ', '\r', '\n', '\t', 0x0301, 0x0308, 0x200D, 0xFE0F,
        0x1F44D, 0x1F3FD, 0x1F468, 0x2764, 0x1F1E8, 0x1F1F3, 0x4E2D, 0x6587, 0x3042, 0x30A2, 0xAC00, 0xAC01, 0x1100,
        0x1161, 0x11A8, 0x0915, 0x094D, 0x093F, 0x0600, 0x0E01, 0x0E33, 0xFF21, 0x00E9, 0x0007, 0xFFFD, 0x2028 };
    std::mt19937 random(12345);
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            const char32_t c = alphabet[random() % alphabet.size()];
            char buffer[4];
            int n = 0;
            if (c < 0x80) {
                buffer[n++] = static_cast<char>(c);
            } else if (c < 0x800) {
                buffer[n++] = static_cast<char>(0xC0 | (c >> 6));
                buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                buffer[n++] = static_cast<char>(0xE0 | (c >> 12));
                buffer[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
            } else {
                buffer[n++] = static_cast<char>(0xF0 | (c >> 18));
                buffer[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                buffer[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
            }
            text.append(buffer, static_cast<size_t>(n));
        }
        ASSERT_EQ(splitCharacters(text), GraphemeIterator::splitWithIcuOnly(text)) << "round " << round;
    }
}

} // namespace
