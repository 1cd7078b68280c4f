#pragma once

#include "follow/AlignmentConfig.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavilo {

// Answers, many times a second, how far into the script the speaker has read, given the
// whole transcript of the current recogniser run. Keys are interned to integers and the
// script is indexed (positions of every key, of every run of four keys, and the spelling
// neighbours of each key, found on first need), so a call costs what its evidence needs
// rather than the script's length. Its decisions are those of ReferenceAlignmentEngine.
// Main thread only.
class AlignmentEngine {
public:
    using Decision = AlignmentDecision;

    AlignmentEngine(std::vector<std::string> script, AlignmentConfig config);

    // Aligns the transcript so far (token texts as tokenKeys cuts them) and returns the
    // new cursor, the number of script tokens read.
    int64_t update(const std::vector<std::string>& recognition);
    // Forgets the recognition history, keeping the cursor: a new recogniser run starts
    // its transcript from nothing.
    void resetSession();

    int64_t cursor() const { return m_cursor; }
    Decision decision() const { return m_decision; }
    int64_t matchedLength() const { return m_matchedLength; }
    std::optional<int64_t> pendingAnchor() const { return m_pendingAnchor; }
    int64_t pendingCount() const { return m_pendingCount; }
    int64_t misses() const { return m_misses; }
    const std::vector<std::string>& script() const { return m_script; }
    const std::vector<std::string>& scriptKeys() const { return m_scriptKeys; }
    const AlignmentConfig& config() const { return m_config; }

private:
    using KeyId = int32_t;
    static constexpr KeyId kNoId = -1;

    struct KeyInfo {
        std::vector<uint32_t> symbols; // one per character
        bool neighboursReady = false;
        std::vector<KeyId> neighbours; // script keys fuzzily equal to this one, sorted
    };

    struct Found {
        int64_t index;
        int64_t score;
        int64_t distance;
    };

    KeyId internKey(const std::string& key);
    KeyId keyIdOfRecognized(const std::string& text);
    const std::vector<KeyId>& neighbours(KeyId key);
    bool fuzzyNeighbour(size_t tailIndex, KeyId scriptKey) const;
    int64_t score(int64_t end) const;
    void consider(int64_t a, std::optional<Found>& best) const;
    std::optional<Found> searchNearby(int64_t lo, int64_t hi, bool singleCJKTarget) const;
    std::optional<Found> searchWholeScript(bool singleCJKTarget) const;
    void findSuffixCandidates();
    void clearPending();
    static uint64_t gramHash(KeyId a, KeyId b, KeyId c, KeyId d);

    std::vector<std::string> m_script;
    AlignmentConfig m_config;
    std::vector<std::string> m_scriptKeys;

    // Interned keys: ids below m_scriptVocabularySize occur in the script.
    std::unordered_map<std::string, KeyId> m_keyIds;
    std::vector<KeyInfo> m_keys;
    KeyId m_scriptVocabularySize = 0;
    std::unordered_map<std::string, uint32_t> m_symbolIds;
    std::vector<std::vector<KeyId>> m_vocabularyByLength; // script keys of 4+ characters
    // Script token texts, for the identical-character count and the key of a known text.
    std::unordered_map<std::string, int32_t> m_textIds;
    std::vector<KeyId> m_keyOfText;
    std::vector<int32_t> m_scriptTextIds;
    std::unordered_map<std::string, KeyId> m_keyOfUnknownText;
    std::vector<KeyId> m_scriptKeyIds;
    std::vector<std::vector<int32_t>> m_positionsOfKey;         // script indices, ascending
    std::vector<std::pair<uint64_t, int32_t>> m_gramEnds;      // (hash of 4 keys, end), sorted

    // Per-call scratch, kept to avoid allocations.
    std::vector<KeyId> m_tail;
    std::vector<int32_t> m_tailTextIds;
    std::vector<const std::vector<KeyId>*> m_tailNeighbours;
    struct Candidate {
        int64_t end;
        int64_t length;
    };
    std::vector<Candidate> m_candidates;

    std::vector<KeyId> m_lastTail;
    int64_t m_lastRecognitionCount = -1;
    std::optional<int64_t> m_pendingAnchor;
    int64_t m_pendingCount = 0;
    int64_t m_misses = 0;
    std::vector<std::string> m_previousRecognition;
    Decision m_decision = Decision::empty;
    int64_t m_matchedLength = 0;
    int64_t m_cursor = 0;
};

} // namespace tavilo
