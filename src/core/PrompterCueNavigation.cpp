// Cue mode: entering and leaving it, and moving between the outline's points.

#include "PrompterModel.h"

#include <algorithm>

namespace tavilo {

namespace {
int64_t sectionCount(const CueScript& script) { return static_cast<int64_t>(script.sections.size()); }
} // namespace

int64_t PrompterModel::clampedSectionIndex() const
{
    const int64_t count = sectionCount(cueScript());
    if (count == 0)
        return 0;
    return std::min(count - 1, std::max<int64_t>(0, activeSectionIndex()));
}

void PrompterModel::enterCue()
{
    if (readingMode() == ReadingMode::cue)
        return;
    cancelCountdownTask();
    isCountingDown = false;
    countdownRemaining = 0;
    isRunning = false;
    manualScrollEnabled = false;
    activeSectionIndex = clampedSectionIndex();
    const Date now = m_loop.currentDate();
    cueSectionStartedAt = now;
    cueStartedAt = now;
    cueShowingOverview = false;
    cueMaterialIndex = 0;
    scrollSessionActive = false;
    readingMode = ReadingMode::cue;
}

void PrompterModel::exitCue()
{
    if (readingMode() != ReadingMode::cue)
        return;
    readingMode = ReadingMode::normal;
    cueShowingOverview = false;
    cueStartedAt = std::nullopt;
    cueSectionStartedAt = std::nullopt;
}

void PrompterModel::toggleCue()
{
    if (readingMode() == ReadingMode::cue)
        exitCue();
    else
        enterCue();
}

void PrompterModel::nextCuePoint()
{
    const int64_t count = sectionCount(cueScript());
    if (readingMode() != ReadingMode::cue || count == 0)
        return;
    goToCueSection(std::min(count - 1, activeSectionIndex() + 1));
}

void PrompterModel::previousCuePoint()
{
    if (readingMode() != ReadingMode::cue || cueScript().sections.empty())
        return;
    goToCueSection(std::max<int64_t>(0, activeSectionIndex() - 1));
}

void PrompterModel::toggleCueOverview()
{
    if (readingMode() != ReadingMode::cue)
        return;
    cueShowingOverview = !cueShowingOverview();
}

void PrompterModel::jumpToCuePoint(int64_t index)
{
    if (readingMode() != ReadingMode::cue || index < 0 || index >= sectionCount(cueScript()))
        return;
    cueShowingOverview = false;
    goToCueSection(index);
}

void PrompterModel::scrollCue(int64_t delta)
{
    const int64_t count = sectionCount(cueScript());
    if (readingMode() != ReadingMode::cue || count == 0)
        return;
    if (cueShowingOverview()) {
        goToCueSection(std::clamp<int64_t>(activeSectionIndex() + delta, 0, count - 1));
        return;
    }
    const auto& materials = cueScript().sections[static_cast<size_t>(clampedSectionIndex())].materials;
    if (materials.empty())
        return;
    cueMaterialIndex = std::clamp<int64_t>(cueMaterialIndex() + delta, 0, static_cast<int64_t>(materials.size()) - 1);
}

void PrompterModel::goToCueSection(int64_t index)
{
    if (index == activeSectionIndex())
        return;
    activeSectionIndex = index;
    cueSectionStartedAt = m_loop.currentDate();
    cueMaterialIndex = 0;
}

void PrompterModel::enterCueIfOutlineOnly()
{
    if (readingMode() == ReadingMode::cue)
        return;
    const CueScript& outline = cueScript();
    if (outline.hasStructure && cue::trimWhitespaceAndNewlines(outline.spokenOnly).empty())
        enterCue();
}

} // namespace tavilo
