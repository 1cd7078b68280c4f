#pragma once

#include "base/AppPaths.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavilo {

enum class FollowEventKind : int64_t { session = 0, recognition = 1, frame = 2, stopped = 3, engine = 4 };

const char* followEventName(FollowEventKind kind);

// Value names to numbers; the map keeps them in the sorted order the file shows.
using DiagnosticValues = std::map<std::string, double>;

// The optional voice-follow log: one JSON object per line ("event", "time", "values"), to a
// new "follow-<UUID>.jsonl" per launch, written in logging order by a background thread,
// and capped in size. Off unless the launch asked for it; when off, nothing is created and
// log() returns at once.
class FollowDiagnostics {
public:
    static constexpr const char* kSwitch = "--follow-diagnostics";
    static constexpr int64_t kDefaultLimit = 5242880;

    struct Options {
        int64_t limit = kDefaultLimit;
        // Seconds of system uptime; the monotonic clock unless a test says otherwise.
        std::function<double()> uptime;
        // The file's name in the folder; "follow-<UUID>.jsonl" when empty.
        std::string fileName;
    };

    // Disabled.
    FollowDiagnostics();
    // Enabled: opens a new file in logsDir, creating the folder. If that fails the log stays
    // enabled but writes nothing.
    FollowDiagnostics(const std::filesystem::path& logsDir, Options options);
    explicit FollowDiagnostics(const std::filesystem::path& logsDir)
        : FollowDiagnostics(logsDir, Options {})
    {
    }
    ~FollowDiagnostics();
    FollowDiagnostics(const FollowDiagnostics&) = delete;
    FollowDiagnostics& operator=(const FollowDiagnostics&) = delete;

    // True when the launch arguments contain exactly the switch.
    static bool requested(const std::vector<std::string>& arguments);
    // The log for this launch: enabled, in the state folder's "logs", when the arguments ask
    // for it; disabled otherwise.
    static std::unique_ptr<FollowDiagnostics> forLaunch(const std::vector<std::string>& arguments, const AppPaths& paths);

    bool enabled() const { return m_enabled; }
    // Takes the time now and queues the record; the file is written on the writer thread.
    void log(FollowEventKind kind, DiagnosticValues values = {});

    // Waits until every record logged so far has been written or dropped.
    void flush();

    // The log file, when one was created.
    const std::optional<std::filesystem::path>& filePath() const { return m_path; }
    // Bytes written so far; read after flush().
    int64_t bytesWritten() const;
    // False once a write has failed (or when no file could be opened).
    bool isWriting() const;

    // One record as its line in the file, without the line feed; nothing when a value cannot
    // be written as JSON (not finite).
    static std::optional<std::string> serialize(FollowEventKind kind, double time, const DiagnosticValues& values);

private:
    struct Record {
        FollowEventKind kind;
        double time;
        DiagnosticValues values;
    };

    void writerLoop();
    void write(const Record& record);

    bool m_enabled = false;
    int64_t m_limit = kDefaultLimit;
    std::function<double()> m_uptime;
    std::optional<std::filesystem::path> m_path;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_drained;
    std::deque<Record> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    // Changed by the writer thread only.
    std::atomic<int> m_fd { -1 };
    std::atomic<int64_t> m_bytes { 0 };
    std::thread m_writer;
};

} // namespace tavilo
