#pragma once

#include "follow/ScriptToken.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavilo {

// Cuts scripts and transcripts into tokens that compare directly whatever the text mixes:
// every CJK character is a token, every run of letters and digits is a token, numbers
// followed by a Chinese unit are spelled out. Pure functions, safe on any thread.

// The full tokenization, with character ranges.
std::vector<ScriptToken> tokenize(std::string_view text);

// The token texts of tokenize(text).
std::vector<std::string> tokenKeys(std::string_view text);

// NFKC, lower case, then only letters, marks, digits and CJK scalars. May be empty.
std::string normalizeToken(std::string_view text);

// The five ranges shared by voice follow: CJK unified ideographs and extension A,
// compatibility ideographs, hiragana and katakana, Hangul syllables.
constexpr bool isCJKScalar(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0x3040 && c <= 0x30FF) || (c >= 0xAC00 && c <= 0xD7AF);
}

// A character (grapheme cluster) with at least one scalar in the CJK ranges.
bool isCJKCharacter(std::string_view character);

// True when any scalar of the text lies in the CJK ranges.
bool containsCJKScalar(std::string_view text);

// Letter or number by Unicode properties, judged on the character's first scalar.
bool isLetterOrNumberScalar(char32_t c);

// The Chinese spelled-out form of the digit run `token` (already normalised) that covers
// characters [start, end) of `characters`, or nothing when the run is not a counted
// quantity: it must be followed by a unit character, have at most 12 ASCII digits without
// a leading zero, and not be the fractional or minutes part of a larger number.
std::optional<std::string> spellOutNumeral(std::string_view token, const std::vector<std::string_view>& characters,
    int64_t start, int64_t end);

} // namespace tavilo
