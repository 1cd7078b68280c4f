#pragma once

#include "follow/AlignmentConfig.h"

#include <optional>
#include <string>
#include <vector>

namespace tavilo {

// The alignment rules written out plainly: text comparisons, and a scan of the whole
// script for the unique-suffix rule and the far search on every call. AlignmentEngine must
// decide exactly as this does; tests and benchmarks run the two side by side.
class ReferenceAlignmentEngine {
public:
    ReferenceAlignmentEngine(std::vector<std::string> script, AlignmentConfig config);

    int64_t update(const std::vector<std::string>& recognition);
    void resetSession();

    int64_t cursor() const { return m_cursor; }
    AlignmentDecision decision() const { return m_decision; }
    int64_t matchedLength() const { return m_matchedLength; }
    std::optional<int64_t> pendingAnchor() const { return m_pendingAnchor; }
    int64_t pendingCount() const { return m_pendingCount; }
    int64_t misses() const { return m_misses; }
    const std::vector<std::string>& scriptKeys() const { return m_scriptKeys; }

private:
    struct Found {
        int64_t index;
        int64_t score;
        int64_t distance;
    };

    int64_t score(int64_t end, const std::vector<std::string>& tail) const;
    std::optional<Found> searchWindow(int64_t lo, int64_t hi, const std::string& target, bool singleCJKTarget,
        const std::vector<std::string>& tail) const;
    void clearPending();

    std::vector<std::string> m_script;
    AlignmentConfig m_config;
    std::vector<std::string> m_scriptKeys;
    std::vector<std::string> m_lastTail;
    int64_t m_lastRecognitionCount = -1;
    std::optional<int64_t> m_pendingAnchor;
    int64_t m_pendingCount = 0;
    int64_t m_misses = 0;
    std::vector<std::string> m_previousRecognition;
    AlignmentDecision m_decision = AlignmentDecision::empty;
    int64_t m_matchedLength = 0;
    int64_t m_cursor = 0;
};

} // namespace tavilo
