#pragma once

#include <cstdint>

namespace tavilo {

struct AlignmentConfig {
    int64_t lookback = 12; // most recent recognised tokens that take part in matching
    int64_t maxGap = 4;    // script tokens the scoring may skip before it stops
    int64_t minScore = 3;  // lowest score a searched position needs to count at all
};

// Which rule decided an alignment call. The raw values are written to the diagnostics log.
enum class AlignmentDecision : int64_t {
    empty = 0,
    unchanged = 1,
    uniqueSuffix = 2,
    continuation = 3,
    nearby = 4,
    noMatch = 5,
    ambiguous = 6,
    confirming = 7,
    relocated = 8,
    revision = 9,
};

const char* alignmentDecisionName(AlignmentDecision decision);

} // namespace tavilo
