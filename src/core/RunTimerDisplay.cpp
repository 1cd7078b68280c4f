#include "core/RunTimerDisplay.h"

#include "core/ClockFormat.h"

#include <algorithm>
#include <limits>

namespace tavilo {

bool timerBadgeVisible(TimerMode mode, bool hasStartedSession, bool isCountingDown)
{
    return mode != TimerMode::off && hasStartedSession && !isCountingDown;
}

bool timerTargetPassed(TimerMode mode, double elapsedSeconds, int64_t targetSeconds)
{
    return mode == TimerMode::countDown && roundedSeconds(elapsedSeconds) >= targetSeconds;
}

namespace {

// a − b without overflow; the run clock's values are far from the ends, stored targets are not
// trusted to be.
int64_t saturatingDifference(int64_t a, int64_t b)
{
    int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return result;
}

} // namespace

std::string timerText(TimerMode mode, double elapsedSeconds, int64_t targetSeconds, double estimatedSeconds)
{
    const int64_t e = roundedSeconds(elapsedSeconds);
    switch (mode) {
    case TimerMode::off:
        return {};
    case TimerMode::countUp:
        return formatClock(e);
    case TimerMode::countDown: {
        const int64_t d = saturatingDifference(targetSeconds, e);
        if (d >= 0)
            return formatClock(d);
        const int64_t over = d == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -d;
        // Appended rather than "+" + text, which GCC 12 warns about falsely (-Wrestrict).
        std::string text("+");
        text.append(formatClock(over));
        return text;
    }
    case TimerMode::remaining:
        return formatClock(std::max<int64_t>(saturatingDifference(roundedSeconds(estimatedSeconds), e), 0));
    }
    return {};
}

} // namespace tavilo
