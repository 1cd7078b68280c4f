#include "stats/StatsManager.h"

#include "base/MainLoop.h"
#include "base/NotificationCenter.h"
#include "core/ClockFormat.h"
#include "core/PrompterModel.h"
#include "core/ReadingEstimate.h"
#include "core/TimerEngine.h"
#include "cue/CueScript.h"
#include "scripts/ScriptLibrary.h"
#include "scripts/WordCount.h"
#include "stats/StatsStore.h"
#include "strings/LocalizationManager.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavilo {

StatsManager::StatsManager(const PrompterModel& model, const TimerEngine& timer, StatsStore& store,
    NotificationCenter& notifications, const ScriptLibrary& library, const LocalizationManager& localization,
    const MainLoop& loop)
    : m_model(model)
    , m_timer(timer)
    , m_store(store)
    , m_notifications(notifications)
    , m_library(library)
    , m_localization(localization)
    , m_loop(loop)
{
}

void StatsManager::begin()
{
    if (m_sessionActive)
        return;
    m_sessionActive = true;
    // The run timer only returns to zero on a reset; a run that ended without one (stop at
    // the end, jump back, start again) must not count the time before it.
    m_elapsedAtBegin = m_timer.currentElapsed();
    m_startedAt = m_loop.currentDate();
    m_scriptID = m_model.activeScriptID();
    std::optional<std::string> title;
    if (m_scriptID)
        title = m_library.title(*m_scriptID);
    if (title && !cue::trimWhitespaceAndNewlines(*title).empty())
        m_scriptTitle = *title; // kept untrimmed
    else
        m_scriptTitle = m_localization.text(LK::libUntitled);
    m_snapshotWords = wordCount(m_model.script());
}

void StatsManager::finish(bool reachedEnd)
{
    const bool recording = m_sessionActive;
    m_sessionActive = false;
    const std::optional<Date> startedAt = std::exchange(m_startedAt, std::nullopt);
    if (!recording || !m_model.statsEnabled())
        return;

    const int64_t d = roundedSeconds(m_timer.currentElapsed() - m_elapsedAtBegin);
    if (d <= 2)
        return;
    const double seconds = static_cast<double>(d);
    const double estimate = estimatedDurationSeconds(m_model);
    double completion = 0;
    if (reachedEnd)
        completion = 1;
    else if (estimate > 0)
        completion = std::min(seconds / estimate, 1.0);

    RehearsalSession session;
    session.id = Uuid::create();
    session.scriptID = m_scriptID;
    session.scriptTitle = m_scriptTitle.empty() ? m_localization.text(LK::libUntitled) : m_scriptTitle;
    session.startedAt = startedAt.value_or(m_loop.currentDate());
    session.duration = seconds;
    session.words = static_cast<int64_t>(std::llround(completion * static_cast<double>(m_snapshotWords)));
    session.avgWordsPerMin = static_cast<double>(session.words) / (seconds / 60.0);
    session.completion = completion;
    session.reachedEnd = reachedEnd;

    m_store.record(session);
    m_notifications.post(kDidRecordSessionNotification, session);
}

} // namespace tavilo
