#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavilo {

inline constexpr size_t kDerivedTitleLength = 30;

// A title for a script text: its first non-empty line, trimmed of horizontal white space and cut
// to kDerivedTitleLength user-perceived characters; `untitled` when that line is blank.
std::string derivedTitle(std::string_view text, std::string_view untitled);

// Whether the text holds nothing but white space and line breaks.
bool isBlankText(std::string_view text);

} // namespace tavilo
