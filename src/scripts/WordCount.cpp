#include "scripts/WordCount.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tavilo {

namespace {

template<typename Visit>
void forEachScalar(std::string_view utf8, Visit visit)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        visit(c < 0 ? char32_t(0xFFFD) : static_cast<char32_t>(c));
    }
}

bool isAlphanumeric(char32_t c)
{
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

} // namespace

bool isWordCountCJK(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xAC00 && c <= 0xD7AF);
}

int64_t wordCount(std::string_view utf8)
{
    int64_t count = 0;
    bool inRun = false;
    forEachScalar(utf8, [&](char32_t c) {
        if (isWordCountCJK(c)) {
            ++count;
            inRun = false;
        } else if (isAlphanumeric(c)) {
            if (!inRun)
                ++count;
            inRun = true;
        } else {
            inRun = false;
        }
    });
    return count;
}

int64_t whitespaceSeparatedRunCount(std::string_view utf8)
{
    int64_t count = 0;
    bool inRun = false;
    forEachScalar(utf8, [&](char32_t c) {
        if (u_isUWhiteSpace(static_cast<UChar32>(c))) {
            inRun = false;
        } else {
            if (!inRun)
                ++count;
            inRun = true;
        }
    });
    return count;
}

} // namespace tavilo
