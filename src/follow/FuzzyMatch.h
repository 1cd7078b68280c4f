#pragma once

#include <cstdint>
#include <string_view>

namespace tavilo {

// Levenshtein distance over characters (grapheme clusters), unit costs.
int64_t editDistance(std::string_view a, std::string_view b);

// How many edits two keys of which the longer has `longerLength` characters may differ by:
// 34 % of the length, rounded half away from zero, at least 1.
constexpr int64_t fuzzyTolerance(int64_t longerLength)
{
    const int64_t rounded = (34 * longerLength + 50) / 100;
    return rounded < 1 ? 1 : rounded;
}

// Non-identical keys of at least four characters each that are close in spelling.
bool fuzzyEqual(std::string_view a, std::string_view b);

} // namespace tavilo
