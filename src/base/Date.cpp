#include "Date.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tavilo {

Date Date::systemNow()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return fromUnixSeconds(std::chrono::duration<double>(since).count());
}

std::string Date::compactUtcStamp() const
{
    const std::time_t t = static_cast<std::time_t>(std::floor(unixSeconds()));
    std::tm tm {};
    gmtime_r(&t, &tm);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
        tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

} // namespace tavilo
