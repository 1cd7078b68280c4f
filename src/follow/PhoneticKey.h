#pragma once

#include <string>
#include <string_view>

namespace tavilo {

// The key alignment compares: a token of one CJK character becomes its toneless pinyin
// ("中" and "钟" both "zhong"), so that homophones match; any other token is its own key.
// Safe on any thread; results for single characters are remembered for the process.
std::string phoneticKey(std::string_view token);

// A token of exactly one character whose first scalar lies in the CJK ranges.
bool isSingleCJKCharacter(std::string_view token);

} // namespace tavilo
