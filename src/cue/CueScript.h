#pragma once

#include "base/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavilo {

struct CueMaterial {
    std::string text;
    bool isOptional = false;

    bool operator==(const CueMaterial&) const = default;
};

struct CueSection {
    Uuid id; // new for every parse; not part of equality
    std::string title;
    std::optional<int64_t> timeBudgetSeconds;
    std::string spoken;
    std::vector<CueMaterial> materials;

    bool operator==(const CueSection& other) const
    {
        return title == other.title && timeBudgetSeconds == other.timeBudgetSeconds && spoken == other.spoken
            && materials == other.materials;
    }
};

// The outline of a script: "#" headings with optional "[m:ss]" budgets, ">" must-say and ">?"
// optional material lines, and everything else as the spoken text.
struct CueScript {
    std::vector<CueSection> sections;
    bool hasStructure = false;
    std::string spokenOnly;

    bool operator==(const CueScript&) const = default;

    // Never fails; a pure function of the text apart from the fresh section ids.
    static CueScript parse(std::string_view text);

    // Sum of the sections' budgets, absent sections counting nothing.
    int64_t totalBudgetSeconds() const;
};

namespace cue {

// The tab and every Unicode space separator (no line breaks).
bool isHorizontalSpace(char32_t c);
// Trims horizontal white space from both ends of UTF-8 text.
std::string_view trimHorizontal(std::string_view text);
// Trims white space and line breaks (Unicode White_Space) from both ends of UTF-8 text.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

struct HeadingParts {
    std::string title;
    std::optional<int64_t> budgetSeconds;
};
HeadingParts splitHeading(std::string_view headingText);

} // namespace cue

} // namespace tavilo
