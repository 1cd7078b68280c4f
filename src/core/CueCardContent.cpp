#include "CueCardContent.h"

#include "strings/LocalizationManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavilo::cuecard {

namespace {

std::string titleOrUntitled(const std::string& title, const LocalizationManager& texts)
{
    return title.empty() ? texts.text(LK::libUntitled) : title;
}

int64_t wholeSecondsSince(const std::optional<Date>& start, Date now)
{
    if (!start)
        return 0;
    return std::max<int64_t>(0, static_cast<int64_t>(std::floor(now.secondsSince(*start))));
}

} // namespace

std::string minutesSeconds(int64_t seconds)
{
    seconds = std::max<int64_t>(0, seconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", static_cast<long long>(seconds / 60),
        static_cast<long long>(seconds % 60));
    return buffer;
}

double Progress::barFillWidth(double trackWidth) const
{
    const double n = count < 2 ? 1.0 : static_cast<double>(count);
    return std::max(3.0, trackWidth * static_cast<double>(index + 1) / n);
}

std::optional<Card> card(const PrompterModel& model, const LocalizationManager& texts, Date now)
{
    const auto& sections = model.cueScript().sections;
    if (sections.empty())
        return std::nullopt;
    const int64_t count = static_cast<int64_t>(sections.size());
    const int64_t index = model.clampedSectionIndex();
    const CueSection& section = sections[static_cast<size_t>(index)];

    Card c;
    c.header.position = std::to_string(index + 1) + "/" + std::to_string(count);
    if (model.showCueTotalTimer() && model.cueStartedAt())
        c.header.totalTimer = "· " + minutesSeconds(wholeSecondsSince(model.cueStartedAt(), now));
    if (model.cueSectionStartedAt()) {
        const int64_t elapsed = wholeSecondsSince(model.cueSectionStartedAt(), now);
        std::string timer = minutesSeconds(elapsed);
        if (section.timeBudgetSeconds) {
            timer += " / " + minutesSeconds(*section.timeBudgetSeconds);
            c.header.overBudget = elapsed > *section.timeBudgetSeconds;
        }
        c.header.sectionTimer = timer;
    }
    c.title = titleOrUntitled(section.title, texts);
    c.materials = section.materials;
    c.isLastPoint = index == count - 1;
    c.footer = c.isLastPoint
        ? texts.text(LK::cueLastPoint)
        : texts.format(LK::cueNextPoint, { titleOrUntitled(sections[static_cast<size_t>(index + 1)].title, texts) });
    c.progress.index = index;
    c.progress.count = count;
    c.progress.isBar = count >= 15;
    if (!c.progress.isBar) {
        for (int64_t i = 0; i < count; ++i)
            c.progress.capsules.push_back(i < index ? CapsuleTone::before
                    : i == index                    ? CapsuleTone::current
                                                    : CapsuleTone::after);
    }
    return c;
}

std::vector<OverviewRow> overview(const PrompterModel& model, const LocalizationManager& texts)
{
    std::vector<OverviewRow> rows;
    const auto& sections = model.cueScript().sections;
    const int64_t current = model.clampedSectionIndex();
    for (size_t i = 0; i < sections.size(); ++i) {
        OverviewRow row;
        const auto position = static_cast<int64_t>(i);
        row.number = position + 1;
        row.title = titleOrUntitled(sections[i].title, texts);
        if (sections[i].timeBudgetSeconds)
            row.budget = minutesSeconds(*sections[i].timeBudgetSeconds);
        row.tone = position < current ? CapsuleTone::before
            : position == current     ? CapsuleTone::current
                                      : CapsuleTone::after;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tavilo::cuecard
