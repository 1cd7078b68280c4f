#pragma once

#include <compare>
#include <optional>
#include <string>

namespace tavilo {

// A point in wall-clock time, kept as seconds since 2001-01-01 00:00:00 UTC, which is how
// every stored record writes dates.
struct Date {
    // Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
    static constexpr double kReferenceFromUnix = 978307200.0;

    double sinceReference = 0;

    static Date fromUnixSeconds(double unixSeconds) { return Date { unixSeconds - kReferenceFromUnix }; }
    static Date fromReferenceSeconds(double seconds) { return Date { seconds }; }
    static Date systemNow();

    double unixSeconds() const { return sinceReference + kReferenceFromUnix; }
    double secondsSince(Date earlier) const { return sinceReference - earlier.sinceReference; }
    Date addingSeconds(double seconds) const { return Date { sinceReference + seconds }; }

    // "20261211T101500Z", for file names.
    std::string compactUtcStamp() const;

    auto operator<=>(const Date&) const = default;
};

using OptionalDate = std::optional<Date>;

} // namespace tavilo
