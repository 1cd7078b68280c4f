#include "AlignmentConfig.h"

namespace tavilo {

const char* alignmentDecisionName(AlignmentDecision decision)
{
    switch (decision) {
    case AlignmentDecision::empty:
        return "empty";
    case AlignmentDecision::unchanged:
        return "unchanged";
    case AlignmentDecision::uniqueSuffix:
        return "uniqueSuffix";
    case AlignmentDecision::continuation:
        return "continuation";
    case AlignmentDecision::nearby:
        return "nearby";
    case AlignmentDecision::noMatch:
        return "noMatch";
    case AlignmentDecision::ambiguous:
        return "ambiguous";
    case AlignmentDecision::confirming:
        return "confirming";
    case AlignmentDecision::relocated:
        return "relocated";
    case AlignmentDecision::revision:
        return "revision";
    }
    return "unknown";
}

} // namespace tavilo
