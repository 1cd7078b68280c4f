#pragma once

#include "base/Date.h"
#include "core/PrompterModel.h"

#include <optional>
#include <string>
#include <vector>

namespace tavilo {

class LocalizationManager;

// What the cue card and the overview show, worked out from the model so that the views only
// lay it out and draw it.
namespace cuecard {

// Whole seconds as "%d:%02d"; the minutes do not wrap at 60.
std::string minutesSeconds(int64_t seconds);

struct Header {
    std::string position;                    // "2/5"
    std::optional<std::string> totalTimer;   // "· 3:07" when shown
    std::optional<std::string> sectionTimer; // "0:42" or "1:01 / 1:00"
    bool overBudget = false;
};

enum class CapsuleTone { before, current, after };

struct Progress {
    bool isBar = false;             // 15 points or more
    std::vector<CapsuleTone> capsules; // otherwise one per point
    // For the bar: width of the fill for a given track width (at least 3 points).
    double barFillWidth(double trackWidth) const;
    int64_t index = 0;
    int64_t count = 0;
};

struct OverviewRow {
    int64_t number = 0; // from 1
    std::string title;
    std::optional<std::string> budget;
    CapsuleTone tone = CapsuleTone::after;
};

struct Card {
    Header header;
    std::string title;
    std::vector<CueMaterial> materials; // empty: show the no-material text
    bool isLastPoint = false;
    std::string footer; // cueLastPoint, or cueNextPoint with the next title
    Progress progress;
};

// Nothing when the outline has no sections (the card then shows the no-outline hint).
std::optional<Card> card(const PrompterModel& model, const LocalizationManager& texts, Date now);
std::vector<OverviewRow> overview(const PrompterModel& model, const LocalizationManager& texts);

} // namespace cuecard

} // namespace tavilo
