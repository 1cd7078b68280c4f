#include "FollowDiagnostics.h"

#include "base/Uuid.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace tavilo {

const char* followEventName(FollowEventKind kind)
{
    switch (kind) {
    case FollowEventKind::session:
        return "session";
    case FollowEventKind::recognition:
        return "recognition";
    case FollowEventKind::frame:
        return "frame";
    case FollowEventKind::stopped:
        return "stopped";
    case FollowEventKind::engine:
        return "engine";
    }
    return "unknown";
}

FollowDiagnostics::FollowDiagnostics() = default;

FollowDiagnostics::FollowDiagnostics(const std::filesystem::path& logsDir, Options options)
    : m_enabled(true)
    , m_limit(options.limit)
    , m_uptime(std::move(options.uptime))
{
    if (!m_uptime) {
        m_uptime = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
    }
    std::error_code ignored;
    std::filesystem::create_directories(logsDir, ignored);
    const auto path = logsDir
        / (options.fileName.empty() ? "follow-" + Uuid::create().toString() + ".jsonl" : options.fileName);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return; // the run goes on without a log
    m_path = path;
    m_fd = fd;
    m_writer = std::thread([this] { writerLoop(); });
}

FollowDiagnostics::~FollowDiagnostics()
{
    if (m_writer.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_writer.join();
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FollowDiagnostics::requested(const std::vector<std::string>& arguments)
{
    for (const auto& argument : arguments) {
        if (argument == kSwitch)
            return true;
    }
    return false;
}

std::unique_ptr<FollowDiagnostics> FollowDiagnostics::forLaunch(
    const std::vector<std::string>& arguments, const AppPaths& paths)
{
    if (!requested(arguments))
        return std::make_unique<FollowDiagnostics>();
    return std::make_unique<FollowDiagnostics>(paths.logsDir());
}

void FollowDiagnostics::log(FollowEventKind kind, DiagnosticValues values)
{
    if (!m_enabled || !m_writer.joinable())
        return;
    const double time = m_uptime();
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Record { kind, time, std::move(values) });
    }
    m_wake.notify_one();
}

void FollowDiagnostics::flush()
{
    std::unique_lock lock(m_mutex);
    m_drained.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

int64_t FollowDiagnostics::bytesWritten() const
{
    return m_bytes;
}

bool FollowDiagnostics::isWriting() const
{
    return m_fd >= 0;
}

std::optional<std::string> FollowDiagnostics::serialize(FollowEventKind kind, double time, const DiagnosticValues& values)
{
    if (!std::isfinite(time))
        return std::nullopt;
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value))
            return std::nullopt;
        // Whole numbers are written without a fraction, as counts and flags read best.
        if (std::trunc(value) == value && std::fabs(value) < 9007199254740992.0)
            object[name] = static_cast<int64_t>(value);
        else
            object[name] = value;
    }
    nlohmann::json line = { { "event", followEventName(kind) }, { "time", time }, { "values", std::move(object) } };
    return line.dump();
}

void FollowDiagnostics::writerLoop()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty()) {
            if (m_stopping)
                return;
            continue;
        }
        Record record = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        write(record);
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_drained.notify_all();
    }
}

void FollowDiagnostics::write(const Record& record)
{
    const int fd = m_fd;
    if (fd < 0 || m_bytes >= m_limit)
        return;
    auto line = serialize(record.kind, record.time, record.values);
    if (!line)
        return;
    line->push_back('\n');
    const auto size = static_cast<int64_t>(line->size());
    // A line that does not fit is dropped; a shorter later one may still fit.
    if (m_bytes + size > m_limit)
        return;
    size_t written = 0;
    while (written < line->size()) {
        const ssize_t n = ::write(fd, line->data() + written, line->size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A failed write ends the log for this launch.
            m_fd = -1;
            ::close(fd);
            return;
        }
        written += static_cast<size_t>(n);
    }
    m_bytes += size;
}

} // namespace tavilo
