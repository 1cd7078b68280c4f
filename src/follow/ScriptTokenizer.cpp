#include "ScriptTokenizer.h"

#include "follow/TextCharacters.h"

#include <unicode/normalizer2.h>
#include <unicode/rbnf.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <array>
#include <memory>

namespace tavilo {

namespace {

constexpr std::array<std::string_view, 12> kNumeralUnits = { "十", "百", "千", "万", "萬", "亿", "億", "元", "块", "塊", "个",
    "個" };
constexpr std::array<std::string_view, 4> kNumberSeparators = { ".", "．", ":", "：" };
constexpr size_t kMaxSpelledDigits = 12;

bool isAsciiAlphanumeric(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNumberScalar(char32_t c)
{
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_N_MASK) != 0;
}

// A single scalar from these blocks has no compatibility mapping and no case, so it is
// already its own normal form.
bool isSelfNormalCJK(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x3041 && c <= 0x3096)
        || (c >= 0x30A1 && c <= 0x30FA) || (c >= 0xAC00 && c <= 0xD7A3);
}

bool isNumberCharacter(std::string_view character)
{
    return !character.empty() && isNumberScalar(firstScalar(character));
}

template<size_t N>
bool isOneOf(std::string_view character, const std::array<std::string_view, N>& set)
{
    for (auto candidate : set) {
        if (character == candidate)
            return true;
    }
    return false;
}

// The characters around a digit run that decide whether it is spelled out; empty views
// stand for "no character there".
struct NumeralContext {
    std::string_view following;
    std::string_view before;
    std::string_view beforeBefore;
};

const icu::RuleBasedNumberFormat* chineseSpellOut()
{
    // Created on first need only: most texts never have a digit run before a unit.
    thread_local std::unique_ptr<icu::RuleBasedNumberFormat> formatter = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto created = std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, icu::Locale("zh", "CN"), status);
        if (U_FAILURE(status))
            created.reset();
        return created;
    }();
    return formatter.get();
}

std::optional<std::string> spellOutInContext(std::string_view token, const NumeralContext& context)
{
    if (context.following.empty() || !isOneOf(context.following, kNumeralUnits))
        return std::nullopt;
    if (token.empty() || token.size() > kMaxSpelledDigits)
        return std::nullopt;
    for (char c : token) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (token.size() > 1 && token[0] == '0')
        return std::nullopt;
    int64_t value = 0;
    for (char c : token)
        value = value * 10 + (c - '0');
    if (!context.beforeBefore.empty() && isOneOf(context.before, kNumberSeparators)
        && isNumberCharacter(context.beforeBefore))
        return std::nullopt;

    const auto* formatter = chineseSpellOut();
    if (!formatter)
        return std::nullopt;
    icu::UnicodeString formatted;
    formatter->format(static_cast<int64_t>(value), formatted);
    if (formatted.isEmpty())
        return std::nullopt;
    std::string spelled;
    formatted.toUTF8String(spelled);
    for (auto character : splitCharacters(spelled)) {
        if (!isCJKCharacter(character))
            return std::nullopt;
    }
    return spelled;
}

std::string normalizeAscii(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (isAsciiAlphanumeric(u))
            result.push_back(static_cast<char>(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u));
    }
    return result;
}

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// One pass over the characters; `emit(text, start, end)` receives every token in order.
template<typename Emit>
void tokenizeWith(std::string_view text, Emit&& emit)
{
    GraphemeIterator characters(text);
    int64_t index = 0;

    int64_t wordStart = -1;
    size_t wordByteStart = 0;
    size_t wordByteEnd = 0;
    std::string_view previous;
    std::string_view previousPrevious;
    NumeralContext wordContext;

    auto closeWord = [&](int64_t end, std::string_view following) {
        if (wordStart < 0)
            return;
        std::string normalized = normalizeToken(text.substr(wordByteStart, wordByteEnd - wordByteStart));
        if (!normalized.empty()) {
            wordContext.following = following;
            if (auto spelled = spellOutInContext(normalized, wordContext)) {
                GraphemeIterator spelledCharacters(*spelled);
                for (auto c = spelledCharacters.next(); !c.empty(); c = spelledCharacters.next())
                    emit(std::string(c), wordStart, end);
            } else {
                emit(std::move(normalized), wordStart, end);
            }
        }
        wordStart = -1;
    };

    for (auto c = characters.next(); !c.empty(); c = characters.next(), ++index) {
        bool cjk = false;
        bool word = false;
        bool singleScalar = true;
        char32_t first = 0;
        if (c.size() == 1) {
            word = isAsciiAlphanumeric(static_cast<unsigned char>(c[0]));
        } else {
            size_t after = 0;
            first = decodeScalar(c, after);
            singleScalar = after == c.size();
            cjk = singleScalar ? isCJKScalar(first) : isCJKCharacter(c);
            word = !cjk && isLetterOrNumberScalar(first);
        }

        if (cjk) {
            closeWord(index, c);
            if (singleScalar && isSelfNormalCJK(first)) {
                emit(std::string(c), index, index + 1);
            } else if (std::string normalized = normalizeToken(c); !normalized.empty()) {
                emit(std::move(normalized), index, index + 1);
            }
        } else if (word) {
            const size_t byteStart = characters.position() - c.size();
            if (wordStart < 0) {
                wordStart = index;
                wordByteStart = byteStart;
                wordContext.before = previous;
                wordContext.beforeBefore = index >= 2 ? previousPrevious : std::string_view();
            }
            wordByteEnd = characters.position();
        } else {
            closeWord(index, c);
        }
        previousPrevious = previous;
        previous = c;
    }
    closeWord(index, {});
}

} // namespace

bool isLetterOrNumberScalar(char32_t c)
{
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

bool isCJKCharacter(std::string_view character)
{
    return containsCJKScalar(character);
}

bool containsCJKScalar(std::string_view text)
{
    size_t index = 0;
    while (index < text.size()) {
        if (static_cast<unsigned char>(text[index]) < 0x80) {
            ++index;
            continue;
        }
        if (isCJKScalar(decodeScalar(text, index)))
            return true;
    }
    return false;
}

std::string normalizeToken(std::string_view text)
{
    if (isAscii(text))
        return normalizeAscii(text);

    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status))
        return {};
    icu::UnicodeString normalized = nfkc->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))), status);
    if (U_FAILURE(status))
        return {};
    normalized.toLower(icu::Locale::getRoot());

    std::string result;
    result.reserve(text.size());
    const int32_t length = normalized.length();
    for (int32_t i = 0; i < length;) {
        const UChar32 c = normalized.char32At(i);
        i += U16_LENGTH(c);
        const bool alphanumeric = (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
        if (!alphanumeric && !isCJKScalar(static_cast<char32_t>(c)))
            continue;
        char buffer[U8_MAX_LENGTH];
        int32_t written = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buffer), written, U8_MAX_LENGTH, c, error);
        if (!error)
            result.append(buffer, static_cast<size_t>(written));
    }
    return result;
}

std::optional<std::string> spellOutNumeral(std::string_view token, const std::vector<std::string_view>& characters,
    int64_t start, int64_t end)
{
    const auto count = static_cast<int64_t>(characters.size());
    NumeralContext context;
    if (end >= 0 && end < count)
        context.following = characters[static_cast<size_t>(end)];
    if (start >= 2 && start <= count) {
        context.before = characters[static_cast<size_t>(start - 1)];
        context.beforeBefore = characters[static_cast<size_t>(start - 2)];
    }
    return spellOutInContext(token, context);
}

std::vector<ScriptToken> tokenize(std::string_view text)
{
    std::vector<ScriptToken> tokens;
    // One growth step instead of many: a CJK character is three bytes and one token, a
    // Latin word about six bytes; the list is trimmed only by its owner if at all.
    tokens.reserve(text.size() / 3 + 1);
    tokenizeWith(text, [&](std::string&& token, int64_t start, int64_t end) {
        tokens.push_back(ScriptToken { std::move(token), start, end });
    });
    return tokens;
}

std::vector<std::string> tokenKeys(std::string_view text)
{
    std::vector<std::string> keys;
    keys.reserve(text.size() / 3 + 1);
    tokenizeWith(text, [&](std::string&& token, int64_t, int64_t) {
        if (!token.empty())
            keys.push_back(std::move(token));
    });
    return keys;
}

} // namespace tavilo
