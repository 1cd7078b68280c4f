#pragma once

#include "core/PrompterTypes.h"

#include <cstdint>
#include <string>

namespace tavilo {

// The rules of the run timer's badge, as pure functions of what it shows.

// Shown only with a timer mode chosen, once the text has been started, and not under the
// countdown cover.
bool timerBadgeVisible(TimerMode mode, bool hasStartedSession, bool isCountingDown);

// Count-down mode only: the rounded elapsed time has reached the target.
bool timerTargetPassed(TimerMode mode, double elapsedSeconds, int64_t targetSeconds);

// The clock text of the mode: elapsed time, time left to the target ("+" and the time over it
// once passed), or the estimated reading time left (never below zero). Empty when off.
std::string timerText(TimerMode mode, double elapsedSeconds, int64_t targetSeconds, double estimatedSeconds);

} // namespace tavilo
