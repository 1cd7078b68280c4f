#pragma once

#include "Date.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tavilo {

using Task = std::function<void()>;
using MonotonicClock = std::chrono::steady_clock;
using MonotonicTime = MonotonicClock::time_point;
using Duration = std::chrono::nanoseconds;

// Seconds as a floating-point duration, for formulas written in seconds.
using Seconds = std::chrono::duration<double>;

inline Duration toDuration(double seconds)
{
    return std::chrono::duration_cast<Duration>(Seconds(seconds));
}

inline double toSeconds(Duration d)
{
    return std::chrono::duration_cast<Seconds>(d).count();
}

class TimerHandle;

// The one place time comes from. The application runs it on Qt's event loop; tests run
// ManualLoop, whose clock only moves when the test says so.
class MainLoop {
public:
    virtual ~MainLoop() = default;

    // Runs task on the main thread soon, after tasks posted before it. Safe from any thread.
    virtual void post(Task task) = 0;

    // Runs task once, delay from now, on the main thread. Destroying or cancelling the
    // handle before then means it never runs. Main thread only.
    [[nodiscard]] virtual TimerHandle schedule(Duration delay, Task task) = 0;

    // Monotonic time, for measuring intervals.
    virtual MonotonicTime now() const = 0;

    // Wall-clock time, for dates that are stored or shown.
    virtual Date currentDate() const = 0;
};

// Shared between a loop and the handle of one scheduled task.
struct TimerState {
    Task task;
    bool cancelled = false;
};

// Owns one scheduled task: cancels it when destroyed, reset or reassigned.
class TimerHandle {
public:
    TimerHandle() = default;
    explicit TimerHandle(std::shared_ptr<TimerState> state)
        : m_state(std::move(state))
    {
    }
    TimerHandle(TimerHandle&&) noexcept = default;
    TimerHandle& operator=(TimerHandle&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    ~TimerHandle() { cancel(); }

    void cancel()
    {
        if (m_state) {
            m_state->cancelled = true;
            m_state->task = nullptr;
            m_state.reset();
        }
    }

    // True while the task is scheduled and has neither run nor been cancelled.
    bool isPending() const { return m_state && !m_state->cancelled && m_state->task; }

private:
    std::shared_ptr<TimerState> m_state;
};

// Runs a scheduled task's state once: clears it first so a task that reschedules itself
// through the same handle is not confused with the run in progress.
inline void runTimerState(const std::shared_ptr<TimerState>& state)
{
    if (!state || state->cancelled || !state->task)
        return;
    Task task = std::move(state->task);
    state->task = nullptr;
    task();
}

} // namespace tavilo
