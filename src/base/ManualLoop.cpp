#include "ManualLoop.h"

namespace tavilo {

ManualLoop::ManualLoop(Date startDate)
    : m_startDate(startDate)
{
}

void ManualLoop::post(Task task)
{
    {
        std::lock_guard lock(m_postedMutex);
        m_posted.push_back(std::move(task));
    }
    m_postedCondition.notify_all();
}

TimerHandle ManualLoop::schedule(Duration delay, Task task)
{
    auto state = std::make_shared<TimerState>();
    state->task = std::move(task);
    if (delay < Duration::zero())
        delay = Duration::zero();
    m_timers.emplace(std::make_pair(m_now + delay, m_sequence++), state);
    return TimerHandle(state);
}

Date ManualLoop::currentDate() const
{
    return m_startDate.addingSeconds(toSeconds(m_now.time_since_epoch()));
}

bool ManualLoop::runOnePosted()
{
    Task task;
    {
        std::lock_guard lock(m_postedMutex);
        if (m_posted.empty())
            return false;
        task = std::move(m_posted.front());
        m_posted.pop_front();
    }
    if (task)
        task();
    return true;
}

bool ManualLoop::runOneDueTimer(MonotonicTime limit)
{
    while (!m_timers.empty()) {
        auto it = m_timers.begin();
        if (it->first.first > limit)
            return false;
        auto state = it->second;
        const MonotonicTime due = it->first.first;
        m_timers.erase(it);
        if (state->cancelled || !state->task)
            continue;
        if (due > m_now)
            m_now = due;
        runTimerState(state);
        return true;
    }
    return false;
}

void ManualLoop::runPending()
{
    while (runOnePosted() || runOneDueTimer(m_now)) {
    }
}

void ManualLoop::advance(Duration d)
{
    const MonotonicTime target = m_now + d;
    runPending();
    while (runOneDueTimer(target)) {
        while (runOnePosted()) {
        }
    }
    m_now = target;
    runPending();
}

bool ManualLoop::waitForPosted(std::chrono::milliseconds timeout)
{
    bool posted;
    {
        std::unique_lock lock(m_postedMutex);
        posted = m_postedCondition.wait_for(lock, timeout, [this] { return !m_posted.empty(); });
    }
    runPending();
    return posted;
}

size_t ManualLoop::pendingTimerCount() const
{
    size_t count = 0;
    for (const auto& [key, state] : m_timers) {
        if (!state->cancelled && state->task)
            ++count;
    }
    return count;
}

} // namespace tavilo
