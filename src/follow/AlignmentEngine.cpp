#include "AlignmentEngine.h"

#include "follow/FuzzyMatch.h"
#include "follow/PhoneticKey.h"
#include "follow/TextCharacters.h"

#include <algorithm>
#include <cstdlib>

namespace tavilo {

namespace {

// Levenshtein distance of two symbol strings is at most `limit`; gives up as soon as a
// whole row exceeds it.
bool withinEditDistance(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int64_t limit)
{
    const auto la = static_cast<int64_t>(a.size());
    const auto lb = static_cast<int64_t>(b.size());
    if (std::llabs(la - lb) > limit)
        return false;
    constexpr int64_t kStackRow = 64;
    int64_t stackRow[kStackRow + 1];
    std::vector<int64_t> heapRow;
    int64_t* row = stackRow;
    if (lb > kStackRow) {
        heapRow.resize(static_cast<size_t>(lb + 1));
        row = heapRow.data();
    }
    for (int64_t j = 0; j <= lb; ++j)
        row[j] = j;
    for (int64_t i = 1; i <= la; ++i) {
        int64_t diagonal = row[0];
        row[0] = i;
        int64_t rowMinimum = row[0];
        for (int64_t j = 1; j <= lb; ++j) {
            const int64_t above = row[j];
            const int64_t substitution = diagonal + (a[static_cast<size_t>(i - 1)] == b[static_cast<size_t>(j - 1)] ? 0 : 1);
            row[j] = std::min({ above + 1, row[j - 1] + 1, substitution });
            diagonal = above;
            rowMinimum = std::min(rowMinimum, row[j]);
        }
        if (rowMinimum > limit)
            return false;
    }
    return row[lb] <= limit;
}

} // namespace

uint64_t AlignmentEngine::gramHash(KeyId a, KeyId b, KeyId c, KeyId d)
{
    // Collisions are harmless: every indexed end is verified key by key.
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (KeyId id : { a, b, c, d }) {
        h ^= static_cast<uint32_t>(id) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        h *= 0xBF58476D1CE4E5B9ull;
    }
    return h ^ (h >> 31);
}

AlignmentEngine::AlignmentEngine(std::vector<std::string> script, AlignmentConfig config)
    : m_script(std::move(script))
    , m_config(config)
{
    const size_t count = m_script.size();
    m_scriptKeys.reserve(count);
    m_scriptKeyIds.reserve(count);
    m_scriptTextIds.reserve(count);
    for (const auto& token : m_script) {
        m_scriptKeys.push_back(phoneticKey(token));
        const KeyId key = internKey(m_scriptKeys.back());
        m_scriptKeyIds.push_back(key);
        auto [it, inserted] = m_textIds.try_emplace(token, static_cast<int32_t>(m_keyOfText.size()));
        if (inserted)
            m_keyOfText.push_back(key);
        m_scriptTextIds.push_back(it->second);
    }
    m_scriptVocabularySize = static_cast<KeyId>(m_keys.size());

    m_positionsOfKey.resize(m_keys.size());
    for (size_t i = 0; i < count; ++i)
        m_positionsOfKey[static_cast<size_t>(m_scriptKeyIds[i])].push_back(static_cast<int32_t>(i));

    for (KeyId id = 0; id < m_scriptVocabularySize; ++id) {
        const size_t length = m_keys[static_cast<size_t>(id)].symbols.size();
        if (length < 4)
            continue;
        if (m_vocabularyByLength.size() <= length)
            m_vocabularyByLength.resize(length + 1);
        m_vocabularyByLength[length].push_back(id);
    }

    if (count >= 4) {
        m_gramEnds.reserve(count - 3);
        for (size_t e = 4; e <= count; ++e) {
            m_gramEnds.emplace_back(gramHash(m_scriptKeyIds[e - 4], m_scriptKeyIds[e - 3], m_scriptKeyIds[e - 2],
                                        m_scriptKeyIds[e - 1]),
                static_cast<int32_t>(e));
        }
        std::sort(m_gramEnds.begin(), m_gramEnds.end());
    }
}

AlignmentEngine::KeyId AlignmentEngine::internKey(const std::string& key)
{
    auto [it, inserted] = m_keyIds.try_emplace(key, static_cast<KeyId>(m_keys.size()));
    if (!inserted)
        return it->second;
    KeyInfo info;
    GraphemeIterator characters(key);
    for (auto c = characters.next(); !c.empty(); c = characters.next()) {
        if (c.size() == 1) {
            info.symbols.push_back(static_cast<unsigned char>(c[0]));
        } else {
            auto [symbol, added] = m_symbolIds.try_emplace(std::string(c), static_cast<uint32_t>(256 + m_symbolIds.size()));
            info.symbols.push_back(symbol->second);
        }
    }
    m_keys.push_back(std::move(info));
    return it->second;
}

AlignmentEngine::KeyId AlignmentEngine::keyIdOfRecognized(const std::string& text)
{
    if (auto known = m_textIds.find(text); known != m_textIds.end())
        return m_keyOfText[static_cast<size_t>(known->second)];
    if (auto seen = m_keyOfUnknownText.find(text); seen != m_keyOfUnknownText.end())
        return seen->second;
    const KeyId key = internKey(phoneticKey(text));
    m_keyOfUnknownText.emplace(text, key);
    return key;
}

const std::vector<AlignmentEngine::KeyId>& AlignmentEngine::neighbours(KeyId key)
{
    auto& info = m_keys[static_cast<size_t>(key)];
    if (info.neighboursReady)
        return info.neighbours;
    info.neighboursReady = true;
    const auto length = static_cast<int64_t>(info.symbols.size());
    if (length < 4)
        return info.neighbours;
    for (int64_t other = 4; other < static_cast<int64_t>(m_vocabularyByLength.size()); ++other) {
        const int64_t tolerance = fuzzyTolerance(std::max(length, other));
        if (std::llabs(length - other) > tolerance)
            continue;
        for (KeyId candidate : m_vocabularyByLength[static_cast<size_t>(other)]) {
            if (candidate != key
                && withinEditDistance(info.symbols, m_keys[static_cast<size_t>(candidate)].symbols, tolerance))
                info.neighbours.push_back(candidate);
        }
    }
    std::sort(info.neighbours.begin(), info.neighbours.end());
    return info.neighbours;
}

bool AlignmentEngine::fuzzyNeighbour(size_t tailIndex, KeyId scriptKey) const
{
    const auto* list = m_tailNeighbours[tailIndex];
    if (list->size() <= 8)
        return std::find(list->begin(), list->end(), scriptKey) != list->end();
    return std::binary_search(list->begin(), list->end(), scriptKey);
}

void AlignmentEngine::resetSession()
{
    m_previousRecognition.clear();
    m_lastTail.clear();
    m_lastRecognitionCount = -1;
    clearPending();
    m_misses = 0;
}

void AlignmentEngine::clearPending()
{
    m_pendingAnchor.reset();
    m_pendingCount = 0;
}

int64_t AlignmentEngine::score(int64_t end) const
{
    const auto w = static_cast<int64_t>(m_tail.size());
    if (w == 0 || end < 0)
        return 0;
    const int64_t reach = m_config.lookback + m_config.maxGap;
    int64_t matched = 0;
    int64_t gaps = 0;
    int64_t j = w - 1;
    int64_t i = end;
    while (true) {
        const KeyId scriptKey = m_scriptKeyIds[static_cast<size_t>(i)];
        if (scriptKey == m_tail[static_cast<size_t>(j)] || fuzzyNeighbour(static_cast<size_t>(j), scriptKey)) {
            ++matched;
            --j;
        } else if (++gaps > m_config.maxGap) {
            return matched;
        }
        if (j < 0 || end - i + 1 > reach || i == 0)
            return matched;
        --i;
    }
}

// Keeps the better of `best` and position a under the search's order: higher score, then
// nearer the cursor, then earlier in the script (what an upward scan that replaces only
// on strict improvement keeps).
void AlignmentEngine::consider(int64_t a, std::optional<Found>& best) const
{
    const int64_t s = score(a);
    if (s < m_config.minScore)
        return;
    const int64_t d = std::llabs(a + 1 - m_cursor);
    if (!best || s > best->score || (s == best->score && (d < best->distance || (d == best->distance && a < best->index))))
        best = Found { a, s, d };
}

std::optional<AlignmentEngine::Found> AlignmentEngine::searchNearby(int64_t lo, int64_t hi, bool singleCJKTarget) const
{
    std::optional<Found> best;
    const KeyId target = m_tail.back();
    const size_t targetIndex = m_tail.size() - 1;
    hi = std::min(hi, static_cast<int64_t>(m_scriptKeyIds.size()));
    for (int64_t a = lo; a < hi; ++a) {
        const KeyId key = m_scriptKeyIds[static_cast<size_t>(a)];
        if (key == target || (!singleCJKTarget && fuzzyNeighbour(targetIndex, key)))
            consider(a, best);
    }
    return best;
}

std::optional<AlignmentEngine::Found> AlignmentEngine::searchWholeScript(bool singleCJKTarget) const
{
    std::optional<Found> best;
    const KeyId target = m_tail.back();
    if (target < m_scriptVocabularySize) {
        for (int32_t a : m_positionsOfKey[static_cast<size_t>(target)])
            consider(a, best);
    }
    if (!singleCJKTarget) {
        for (KeyId neighbour : *m_tailNeighbours.back()) {
            for (int32_t a : m_positionsOfKey[static_cast<size_t>(neighbour)])
                consider(a, best);
        }
    }
    return best;
}

void AlignmentEngine::findSuffixCandidates()
{
    m_candidates.clear();
    const auto w = static_cast<int64_t>(m_tail.size());
    const int64_t k = std::min({ int64_t(8), w, static_cast<int64_t>(m_script.size()) });
    if (k < 4)
        return;
    for (int64_t j = 0; j < 4; ++j) {
        if (m_tail[static_cast<size_t>(w - 1 - j)] >= m_scriptVocabularySize)
            return; // a key the script does not have cannot end a run of four
    }
    const uint64_t hash = gramHash(m_tail[static_cast<size_t>(w - 4)], m_tail[static_cast<size_t>(w - 3)],
        m_tail[static_cast<size_t>(w - 2)], m_tail[static_cast<size_t>(w - 1)]);
    auto it = std::lower_bound(m_gramEnds.begin(), m_gramEnds.end(), std::make_pair(hash, int32_t(0)));
    for (; it != m_gramEnds.end() && it->first == hash; ++it) {
        const int64_t e = it->second;
        const int64_t limit = std::min(e, k);
        int64_t length = 0;
        int64_t identical = 0;
        while (length < limit
            && m_scriptKeyIds[static_cast<size_t>(e - 1 - length)] == m_tail[static_cast<size_t>(w - 1 - length)]) {
            const int32_t textId = m_tailTextIds[static_cast<size_t>(w - 1 - length)];
            if (textId >= 0 && m_scriptTextIds[static_cast<size_t>(e - 1 - length)] == textId)
                ++identical;
            ++length;
        }
        if (length >= 5 || (length == 4 && identical >= 2))
            m_candidates.push_back({ e, length });
    }
}

int64_t AlignmentEngine::update(const std::vector<std::string>& recognition)
{
    m_decision = Decision::empty;
    m_matchedLength = 0;
    const int64_t c = m_cursor;
    const auto n = static_cast<int64_t>(recognition.size());
    const auto scriptCount = static_cast<int64_t>(m_script.size());
    if (m_scriptKeyIds.empty() || n == 0)
        return c;

    // Revision: a hypothesis no longer than the previous one that rewrites at most its last
    // two tokens. Only the entries that differ are copied into the history.
    const auto previousCount = static_cast<int64_t>(m_previousRecognition.size());
    const bool mayRevise = previousCount >= n;
    int64_t prefix = 0;
    bool inPrefix = true;
    m_previousRecognition.resize(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        auto& stored = m_previousRecognition[static_cast<size_t>(i)];
        const auto& incoming = recognition[static_cast<size_t>(i)];
        if (i < previousCount && stored == incoming) {
            if (inPrefix)
                ++prefix;
            continue;
        }
        inPrefix = false;
        stored = incoming;
    }
    const bool revising = mayRevise && prefix >= std::max<int64_t>(n, 3) - 2;

    const int64_t tailCount = std::max<int64_t>(0, std::min(n, m_config.lookback));
    m_tail.clear();
    m_tailTextIds.clear();
    for (int64_t i = n - tailCount; i < n; ++i) {
        const auto& text = recognition[static_cast<size_t>(i)];
        m_tail.push_back(keyIdOfRecognized(text));
        auto known = m_textIds.find(text);
        m_tailTextIds.push_back(known == m_textIds.end() ? -1 : known->second);
    }
    const auto w = static_cast<int64_t>(m_tail.size());
    if (w == 0)
        return c;

    if (m_tail == m_lastTail && n == m_lastRecognitionCount) {
        m_decision = Decision::unchanged;
        return c;
    }
    m_lastTail = m_tail;
    m_lastRecognitionCount = n;

    // Neighbour lists after every key is interned: interning may move the key table.
    m_tailNeighbours.clear();
    for (KeyId key : m_tail)
        m_tailNeighbours.push_back(&neighbours(key));

    findSuffixCandidates();
    if (!m_candidates.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < m_candidates.size(); ++i) {
            if (m_candidates[i].length > m_candidates[best].length)
                best = i;
        }
        int64_t second = -1;
        for (size_t i = 0; i < m_candidates.size(); ++i) {
            if (i != best)
                second = std::max(second, m_candidates[i].length);
        }
        if (m_candidates.size() == 1 || m_candidates[best].length >= second + 2) {
            const Candidate chosen = m_candidates[best];
            if (chosen.end < c && revising) {
                m_decision = Decision::revision;
                return c;
            }
            m_cursor = chosen.end;
            m_matchedLength = chosen.length;
            clearPending();
            m_misses = 0;
            m_decision = Decision::uniqueSuffix;
            return m_cursor;
        }
    }

    if (w >= 2 && c > 0 && c < scriptCount) {
        int64_t found = -1;
        int foundCount = 0;
        for (int64_t e = c + 1; e <= std::min(c + 3, scriptCount); ++e) {
            if (m_scriptKeyIds[static_cast<size_t>(e - 2)] == m_tail[static_cast<size_t>(w - 2)]
                && m_scriptKeyIds[static_cast<size_t>(e - 1)] == m_tail[static_cast<size_t>(w - 1)]) {
                found = e;
                ++foundCount;
            }
        }
        if (foundCount == 1) {
            m_cursor = found;
            m_matchedLength = 2;
            clearPending();
            m_misses = 0;
            m_decision = Decision::continuation;
            return m_cursor;
        }
    }

    if (c == 0 && w > 2 && m_scriptKeyIds.size() > 2 && m_tail[static_cast<size_t>(w - 3)] == m_scriptKeyIds[0]
        && m_tail[static_cast<size_t>(w - 2)] == m_scriptKeyIds[1] && m_tail[static_cast<size_t>(w - 1)] == m_scriptKeyIds[2]) {
        m_cursor = 3;
        m_matchedLength = 3;
        clearPending();
        m_misses = 0;
        m_decision = Decision::nearby;
        return m_cursor;
    }

    if (m_candidates.size() >= 2) {
        m_decision = Decision::ambiguous;
        clearPending();
        return c;
    }

    const bool singleCJKTarget = isSingleCJKCharacter(recognition.back());
    const auto keyCount = static_cast<int64_t>(m_scriptKeyIds.size());
    if (auto found = searchNearby(std::max<int64_t>(c - 1, 0), std::min(c + 20, keyCount), singleCJKTarget)) {
        if (found->score >= std::min<int64_t>(w, 5)) {
            m_cursor = found->index + 1;
            m_matchedLength = found->score;
            clearPending();
            m_misses = 0;
            m_decision = Decision::nearby;
            return m_cursor;
        }
        ++m_misses;
        if (!m_pendingAnchor && m_misses <= 2) {
            m_cursor = found->index + 1;
            m_matchedLength = found->score;
            m_decision = Decision::nearby;
            return m_cursor;
        }
    } else {
        ++m_misses;
    }

    if (m_misses >= 2) {
        auto found = searchWholeScript(singleCJKTarget);
        if (found && found->score >= std::max<int64_t>(m_config.minScore, 5) && found->score >= std::min<int64_t>(w, 8) - 1) {
            const int64_t i = found->index;
            m_decision = Decision::confirming;
            if (m_pendingAnchor && *m_pendingAnchor <= i && i <= *m_pendingAnchor + 12) {
                ++m_pendingCount;
                m_pendingAnchor = i;
                if (m_pendingCount >= 2) {
                    if (i + 1 < c && revising) {
                        m_decision = Decision::revision;
                        return c;
                    }
                    m_cursor = i + 1;
                    m_matchedLength = found->score;
                    clearPending();
                    m_misses = 0;
                    m_decision = Decision::relocated;
                    return m_cursor;
                }
                return c;
            }
            m_pendingAnchor = i;
            m_pendingCount = 1;
            return c;
        }
    }

    m_decision = Decision::noMatch;
    clearPending();
    return c;
}

} // namespace tavilo
