#pragma once

#include <cstdint>
#include <string>

namespace tavilo {

// Seconds rounded to the nearest whole second, halves away from zero. Not-a-number counts as
// 0 and values beyond the 64-bit range are held at its ends.
int64_t roundedSeconds(double seconds);

// "%d:%02d" below an hour (75 → "1:15"), "%d:%02d:%02d" from an hour on (3725 → "1:02:05").
// Negative values show as "0:00". Shared by the timer badge, the cue cards and the statistics.
std::string formatClock(int64_t seconds);

} // namespace tavilo
