#include "scripts/DerivedTitle.h"

#include "scripts/GraphemeText.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace tavilo {

namespace {

bool isLineBreak(UChar32 c)
{
    // LF, VT, FF, CR, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR.
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isHorizontalSpace(UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; }

} // namespace

std::string derivedTitle(std::string_view text, std::string_view untitled)
{
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    const int32_t length = unicode.length();

    // The first non-empty line.
    int32_t start = 0;
    while (start < length && isLineBreak(unicode.char32At(start)))
        start = unicode.moveIndex32(start, 1);
    int32_t end = start;
    while (end < length && !isLineBreak(unicode.char32At(end)))
        end = unicode.moveIndex32(end, 1);

    while (start < end && isHorizontalSpace(unicode.char32At(start)))
        start = unicode.moveIndex32(start, 1);
    while (end > start) {
        const int32_t previous = unicode.moveIndex32(end, -1);
        if (!isHorizontalSpace(unicode.char32At(previous)))
            break;
        end = previous;
    }
    if (start == end)
        return std::string(untitled);

    std::string line;
    unicode.tempSubStringBetween(start, end).toUTF8String(line);
    return graphemePrefix(line, kDerivedTitleLength);
}

bool isBlankText(std::string_view text)
{
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    for (int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
        const UChar32 c = unicode.char32At(i);
        if (!isLineBreak(c) && !isHorizontalSpace(c))
            return false;
    }
    return true;
}

} // namespace tavilo
