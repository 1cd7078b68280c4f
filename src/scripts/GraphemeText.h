#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavilo {

// UTF-8 texts measured in user-perceived characters (grapheme clusters), so a Chinese
// character, an emoji with modifiers or a letter with combining marks counts as one.
// Malformed UTF-8 is read as U+FFFD.
size_t graphemeCount(std::string_view utf8);
std::string graphemePrefix(std::string_view utf8, size_t count);

} // namespace tavilo
