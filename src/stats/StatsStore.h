#pragma once

#include "base/AppPaths.h"
#include "base/MainLoop.h"
#include "base/Published.h"
#include "stats/RehearsalSession.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavilo {

// The recorded runs, newest first and at most 500, kept in one JSON file that is rewritten
// whole, atomically, on every change. A file that is there but cannot be read starts an empty
// list and is renamed aside before the first write, so the user's history is never overwritten.
class StatsStore {
public:
    static constexpr int64_t maxSessions = 500;

    // Reads AppPaths::statsFile(). `loop` dates the name of a file kept aside.
    StatsStore(const AppPaths& paths, const MainLoop& loop);
    StatsStore(std::filesystem::path file, const MainLoop& loop);
    StatsStore(const StatsStore&) = delete;
    StatsStore& operator=(const StatsStore&) = delete;

    // Newest first. Views observe it; only the operations below change it.
    const Published<std::vector<RehearsalSession>>& sessions() const { return m_sessions; }
    const std::filesystem::path& fileURL() const { return m_file; }

    // In front; the oldest beyond 500 are dropped; then saved.
    void record(const RehearsalSession& session);
    // Writes the whole list. Failures leave the file as it was and the list in memory; they
    // are reported here but otherwise ignored, as no view shows them.
    bool save();
    std::optional<RehearsalSession> latest() const;
    double totalDuration() const;
    // Empties the list and writes an empty array.
    void clear();

    // Where the unreadable file found at creation was kept, once it has been moved aside.
    const std::optional<std::filesystem::path>& keptAsidePath() const { return m_keptAside; }

    // The file's form: a compact JSON array with the keys in field order, "scriptID" left out
    // when there is none.
    static std::string encode(const std::vector<RehearsalSession>& sessions);
    // All or nothing: any malformed session fails the whole list. Every key but "scriptID" is
    // required.
    static std::optional<std::vector<RehearsalSession>> decode(std::string_view json);

private:
    void load();

    std::filesystem::path m_file;
    const MainLoop& m_loop;
    bool m_unreadableOnDisk = false;
    std::optional<std::filesystem::path> m_keptAside;
    Published<std::vector<RehearsalSession>> m_sessions;
};

} // namespace tavilo
