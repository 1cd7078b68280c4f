#include "core/ClockFormat.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace tavilo {

int64_t roundedSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it would overflow llround.
    constexpr double limit = 9223372036854775808.0;
    if (seconds >= limit)
        return std::numeric_limits<int64_t>::max();
    if (seconds <= -limit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(std::llround(seconds));
}

std::string formatClock(int64_t seconds)
{
    const long long s = seconds < 0 ? 0 : static_cast<long long>(seconds);
    char buffer[32];
    if (s < 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", s / 60, s % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", s / 3600, s % 3600 / 60, s % 60);
    return buffer;
}

} // namespace tavilo
