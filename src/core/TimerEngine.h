#pragma once

#include "base/MainLoop.h"
#include "base/Published.h"

#include <optional>

namespace tavilo {

// The run clock: time accumulated across pauses, with a published value refreshed four times
// a second while it runs. The application's wiring starts, pauses and resets it from the
// model's state; the badge shows it and the recorder reads it. Main thread only.
class TimerEngine {
public:
    static constexpr Duration kRefreshInterval = std::chrono::milliseconds(250);

    explicit TimerEngine(MainLoop& loop);
    TimerEngine(const TimerEngine&) = delete;
    TimerEngine& operator=(const TimerEngine&) = delete;

    // The displayed elapsed seconds: refreshed by every tick and by start, pause and reset.
    Published<double> elapsed { 0 };
    Published<bool> isTicking { false };

    // Accumulated time plus the running segment, exact at any moment; what every displayed or
    // recorded value uses.
    double currentElapsed() const;

    // Does nothing while already ticking.
    void start();
    // Freezes the accumulated time. Does nothing while paused.
    void pause();
    // Back to zero; a running clock keeps running from zero, a paused one stays paused.
    void reset();

private:
    void scheduleTick();
    void tick();

    MainLoop& m_loop;
    double m_base = 0;
    std::optional<MonotonicTime> m_runStart;
    MonotonicTime m_nextTickDue {};
    TimerHandle m_ticker;
};

} // namespace tavilo
