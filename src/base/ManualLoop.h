#pragma once

#include "MainLoop.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace tavilo {

// A main loop on virtual time for tests: nothing runs until the test calls runPending()
// or advance(), and the clock moves only by advance().
class ManualLoop final : public MainLoop {
public:
    explicit ManualLoop(Date startDate = Date::fromReferenceSeconds(800000000.0));

    void post(Task task) override;
    [[nodiscard]] TimerHandle schedule(Duration delay, Task task) override;
    MonotonicTime now() const override { return m_now; }
    Date currentDate() const override;

    // Runs posted tasks, and timers already due, until none are left.
    void runPending();

    // Moves the clock forward by d, running every timer that falls due on the way at its own
    // time, in order of due time (then of scheduling), with posted tasks run in between.
    void advance(Duration d);
    void advanceSeconds(double seconds) { advance(toDuration(seconds)); }

    // Waits (really) until some other thread posts a task, or the timeout passes; then runs
    // what is pending. For tests of worker threads. Returns whether anything was posted.
    bool waitForPosted(std::chrono::milliseconds timeout);

    // Timers scheduled and not yet run or cancelled.
    size_t pendingTimerCount() const;

private:
    bool runOnePosted();
    bool runOneDueTimer(MonotonicTime limit);

    MonotonicTime m_now {};
    Date m_startDate;
    uint64_t m_sequence = 0;
    std::multimap<std::pair<MonotonicTime, uint64_t>, std::shared_ptr<TimerState>> m_timers;

    mutable std::mutex m_postedMutex;
    std::condition_variable m_postedCondition;
    std::deque<Task> m_posted;
};

} // namespace tavilo
