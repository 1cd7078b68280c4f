#pragma once

#include "base/Date.h"
#include "base/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavilo {

class LocalizationManager;
class MainLoop;
class NotificationCenter;
class PrompterModel;
class ScriptLibrary;
class StatsStore;
class TimerEngine;

// Watches one run from its first start to its end and turns it into a stored session. The
// duration comes from the run timer, so pauses inside a run do not count. Main thread only.
class StatsManager {
public:
    static constexpr const char* kDidRecordSessionNotification = "TaviloDidRecordSession";

    StatsManager(const PrompterModel& model, const TimerEngine& timer, StatsStore& store,
        NotificationCenter& notifications, const ScriptLibrary& library, const LocalizationManager& localization,
        const MainLoop& loop);
    StatsManager(const StatsManager&) = delete;
    StatsManager& operator=(const StatsManager&) = delete;

    // Starts a recording of the script shown now, unless one is already under way (a pause and
    // a resume keep one recording).
    void begin();
    // Ends the recording. Stores a session, then posts kDidRecordSessionNotification with the
    // RehearsalSession as its object, when one was under way, statistics are on and the run
    // lasted more than 2 s (rounded). Read the timer before it is reset.
    void finish(bool reachedEnd);

    bool sessionActive() const { return m_sessionActive; }
    const std::optional<Date>& startedAt() const { return m_startedAt; }
    const std::optional<Uuid>& scriptID() const { return m_scriptID; }
    const std::string& scriptTitle() const { return m_scriptTitle; }
    int64_t snapshotWords() const { return m_snapshotWords; }

private:
    const PrompterModel& m_model;
    const TimerEngine& m_timer;
    StatsStore& m_store;
    NotificationCenter& m_notifications;
    const ScriptLibrary& m_library;
    const LocalizationManager& m_localization;
    const MainLoop& m_loop;

    bool m_sessionActive = false;
    std::optional<Date> m_startedAt;
    std::optional<Uuid> m_scriptID;
    std::string m_scriptTitle;
    int64_t m_snapshotWords = 0;
    double m_elapsedAtBegin = 0;
};

} // namespace tavilo
