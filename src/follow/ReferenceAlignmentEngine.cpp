#include "ReferenceAlignmentEngine.h"

#include "follow/FuzzyMatch.h"
#include "follow/PhoneticKey.h"

#include <algorithm>
#include <cstdlib>

namespace tavilo {

ReferenceAlignmentEngine::ReferenceAlignmentEngine(std::vector<std::string> script, AlignmentConfig config)
    : m_script(std::move(script))
    , m_config(config)
{
    m_scriptKeys.reserve(m_script.size());
    for (const auto& token : m_script)
        m_scriptKeys.push_back(phoneticKey(token));
}

void ReferenceAlignmentEngine::resetSession()
{
    m_previousRecognition.clear();
    m_lastTail.clear();
    m_lastRecognitionCount = -1;
    clearPending();
    m_misses = 0;
}

void ReferenceAlignmentEngine::clearPending()
{
    m_pendingAnchor.reset();
    m_pendingCount = 0;
}

int64_t ReferenceAlignmentEngine::score(int64_t end, const std::vector<std::string>& tail) const
{
    const auto w = static_cast<int64_t>(tail.size());
    if (w == 0 || end < 0)
        return 0;
    int64_t matched = 0;
    int64_t gaps = 0;
    int64_t j = w - 1;
    int64_t i = end;
    while (true) {
        const auto& t = tail[static_cast<size_t>(j)];
        const auto& k = m_scriptKeys[static_cast<size_t>(i)];
        if (t == k || fuzzyEqual(t, k)) {
            ++matched;
            --j;
        } else if (++gaps > m_config.maxGap) {
            return matched;
        }
        if (j < 0 || end - i + 1 > m_config.lookback + m_config.maxGap || i == 0)
            return matched;
        --i;
    }
}

std::optional<ReferenceAlignmentEngine::Found> ReferenceAlignmentEngine::searchWindow(int64_t lo, int64_t hi,
    const std::string& target, bool singleCJKTarget, const std::vector<std::string>& tail) const
{
    std::optional<Found> best;
    const auto count = static_cast<int64_t>(m_scriptKeys.size());
    for (int64_t a = lo; a < hi && a < count; ++a) {
        const auto& key = m_scriptKeys[static_cast<size_t>(a)];
        const bool qualifies = key == target || (!singleCJKTarget && fuzzyEqual(key, target));
        if (!qualifies)
            continue;
        const int64_t s = score(a, tail);
        if (s < m_config.minScore)
            continue;
        const int64_t d = std::llabs(a + 1 - m_cursor);
        if (!best || s > best->score || (s == best->score && d < best->distance))
            best = Found { a, s, d };
    }
    return best;
}

int64_t ReferenceAlignmentEngine::update(const std::vector<std::string>& recognition)
{
    m_decision = AlignmentDecision::empty;
    m_matchedLength = 0;
    const int64_t c = m_cursor;
    const auto n = static_cast<int64_t>(recognition.size());
    const auto scriptCount = static_cast<int64_t>(m_script.size());
    if (m_scriptKeys.empty() || n == 0)
        return c;

    int64_t prefix = 0;
    while (prefix < n && prefix < static_cast<int64_t>(m_previousRecognition.size())
        && m_previousRecognition[static_cast<size_t>(prefix)] == recognition[static_cast<size_t>(prefix)])
        ++prefix;
    const bool revising
        = static_cast<int64_t>(m_previousRecognition.size()) >= n && prefix >= std::max<int64_t>(n, 3) - 2;
    m_previousRecognition = recognition;

    std::vector<std::string> tail;
    const int64_t tailCount = std::min(n, m_config.lookback);
    for (int64_t i = n - tailCount; i < n; ++i)
        tail.push_back(phoneticKey(recognition[static_cast<size_t>(i)]));
    const auto w = static_cast<int64_t>(tail.size());
    if (w == 0)
        return c;

    if (tail == m_lastTail && n == m_lastRecognitionCount) {
        m_decision = AlignmentDecision::unchanged;
        return c;
    }
    m_lastTail = tail;
    m_lastRecognitionCount = n;

    struct Candidate {
        int64_t end;
        int64_t length;
    };
    std::vector<Candidate> candidates;
    const int64_t k = std::min({ int64_t(8), w, scriptCount });
    if (k >= 4) {
        for (int64_t e = 4; e <= scriptCount; ++e) {
            if (m_scriptKeys[static_cast<size_t>(e - 1)] != tail[static_cast<size_t>(w - 1)])
                continue;
            int64_t length = 0;
            int64_t identical = 0;
            while (length < std::min(e, k)
                && m_scriptKeys[static_cast<size_t>(e - 1 - length)] == tail[static_cast<size_t>(w - 1 - length)]) {
                if (m_script[static_cast<size_t>(e - 1 - length)] == recognition[static_cast<size_t>(n - 1 - length)])
                    ++identical;
                ++length;
            }
            if (length >= 5 || (length == 4 && identical >= 2))
                candidates.push_back({ e, length });
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const Candidate& a, const Candidate& b) { return a.length > b.length; });
    if (!candidates.empty() && (candidates.size() == 1 || candidates[0].length >= candidates[1].length + 2)) {
        const auto& best = candidates[0];
        if (best.end < c && revising) {
            m_decision = AlignmentDecision::revision;
            return c;
        }
        m_cursor = best.end;
        m_matchedLength = best.length;
        clearPending();
        m_misses = 0;
        m_decision = AlignmentDecision::uniqueSuffix;
        return m_cursor;
    }

    if (w >= 2 && c > 0 && c < scriptCount) {
        std::vector<int64_t> ends;
        for (int64_t e = c + 1; e <= std::min(c + 3, scriptCount); ++e) {
            if (m_scriptKeys[static_cast<size_t>(e - 2)] == tail[static_cast<size_t>(w - 2)]
                && m_scriptKeys[static_cast<size_t>(e - 1)] == tail[static_cast<size_t>(w - 1)])
                ends.push_back(e);
        }
        if (ends.size() == 1) {
            m_cursor = ends[0];
            m_matchedLength = 2;
            clearPending();
            m_misses = 0;
            m_decision = AlignmentDecision::continuation;
            return m_cursor;
        }
    }

    if (c == 0 && w > 2 && m_scriptKeys.size() > 2) {
        if (tail[static_cast<size_t>(w - 3)] == m_scriptKeys[0] && tail[static_cast<size_t>(w - 2)] == m_scriptKeys[1]
            && tail[static_cast<size_t>(w - 1)] == m_scriptKeys[2]) {
            m_cursor = 3;
            m_matchedLength = 3;
            clearPending();
            m_misses = 0;
            m_decision = AlignmentDecision::nearby;
            return m_cursor;
        }
    }

    if (candidates.size() >= 2) {
        m_decision = AlignmentDecision::ambiguous;
        clearPending();
        return c;
    }

    const bool singleCJKTarget = isSingleCJKCharacter(recognition.back());
    const auto& target = tail.back();
    const auto keyCount = static_cast<int64_t>(m_scriptKeys.size());
    if (auto found = searchWindow(std::max<int64_t>(c - 1, 0), std::min(c + 20, keyCount), target, singleCJKTarget, tail)) {
        if (found->score >= std::min<int64_t>(w, 5)) {
            m_cursor = found->index + 1;
            m_matchedLength = found->score;
            clearPending();
            m_misses = 0;
            m_decision = AlignmentDecision::nearby;
            return m_cursor;
        }
        ++m_misses;
        if (!m_pendingAnchor && m_misses <= 2) {
            m_cursor = found->index + 1;
            m_matchedLength = found->score;
            m_decision = AlignmentDecision::nearby;
            return m_cursor;
        }
    } else {
        ++m_misses;
    }

    if (m_misses >= 2) {
        auto found = searchWindow(0, keyCount, target, singleCJKTarget, tail);
        if (found && found->score >= std::max<int64_t>(m_config.minScore, 5)
            && found->score >= std::min<int64_t>(w, 8) - 1) {
            const int64_t i = found->index;
            m_decision = AlignmentDecision::confirming;
            if (m_pendingAnchor && *m_pendingAnchor <= i && i <= *m_pendingAnchor + 12) {
                ++m_pendingCount;
                m_pendingAnchor = i;
                if (m_pendingCount >= 2) {
                    if (i + 1 < c && revising) {
                        m_decision = AlignmentDecision::revision;
                        return c;
                    }
                    m_cursor = i + 1;
                    m_matchedLength = found->score;
                    clearPending();
                    m_misses = 0;
                    m_decision = AlignmentDecision::relocated;
                    return m_cursor;
                }
                return c;
            }
            m_pendingAnchor = i;
            m_pendingCount = 1;
            return c;
        }
    }

    m_decision = AlignmentDecision::noMatch;
    clearPending();
    return c;
}

} // namespace tavilo
