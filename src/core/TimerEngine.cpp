#include "core/TimerEngine.h"

#include <algorithm>

namespace tavilo {

TimerEngine::TimerEngine(MainLoop& loop)
    : m_loop(loop)
{
}

double TimerEngine::currentElapsed() const
{
    if (!m_runStart)
        return m_base;
    return m_base + toSeconds(m_loop.now() - *m_runStart);
}

void TimerEngine::start()
{
    if (isTicking())
        return;
    m_runStart = m_loop.now();
    isTicking = true;
    m_nextTickDue = m_loop.now() + kRefreshInterval;
    scheduleTick();
    elapsed = currentElapsed();
}

void TimerEngine::pause()
{
    if (!isTicking())
        return;
    m_base = currentElapsed();
    m_runStart.reset();
    isTicking = false;
    m_ticker.cancel();
    elapsed = m_base;
}

void TimerEngine::reset()
{
    m_base = 0;
    if (isTicking())
        m_runStart = m_loop.now();
    else
        m_runStart.reset();
    elapsed = 0;
}

void TimerEngine::scheduleTick()
{
    // Due times step on a fixed cadence from the start, so a late tick does not push the
    // following ones later. The value shown is computed from the clock either way.
    const Duration delay = std::max(Duration::zero(), m_nextTickDue - m_loop.now());
    m_ticker = m_loop.schedule(delay, [this] { tick(); });
}

void TimerEngine::tick()
{
    const MonotonicTime now = m_loop.now();
    while (m_nextTickDue <= now)
        m_nextTickDue += kRefreshInterval;
    scheduleTick();
    elapsed = currentElapsed();
}

} // namespace tavilo
