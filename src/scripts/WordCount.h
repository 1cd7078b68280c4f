#pragma once

#include <cstdint>
#include <string_view>

namespace tavilo {

// Words in a UTF-8 text as the recorder, the studio and the mini prompter count them: each
// kana, CJK ideograph or Hangul syllable is a word by itself, and each maximal run of
// letters, marks and digits is one word. Malformed bytes count as U+FFFD (not a letter).
int64_t wordCount(std::string_view utf8);

// Maximal runs of non-white-space characters (Unicode White_Space), so text without spaces
// between its words, as Chinese is written, counts each space-free run once. The reading-time
// estimate uses this simpler count.
int64_t whitespaceSeparatedRunCount(std::string_view utf8);

// Whether a scalar is one of the CJK ranges that wordCount counts one by one.
bool isWordCountCJK(char32_t c);

} // namespace tavilo
