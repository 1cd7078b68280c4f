#pragma once

#include <cstdint>
#include <string>

namespace tavilo {

// One comparable piece of a script or transcript. The range counts characters (grapheme
// clusters) of the source text; the tokens of one spelled-out number share its range.
struct ScriptToken {
    std::string text;
    int64_t start = 0;
    int64_t end = 0;

    bool operator==(const ScriptToken&) const = default;
};

} // namespace tavilo
