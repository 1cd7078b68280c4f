#pragma once

#include "base/MainLoop.h"
#include "core/PrompterTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavilo {

// What one frame did.
enum class MiniTickOutcome {
    idle,         // no sentences, or not running: nothing moved
    advanced,     // time went on within the current sentence
    nextSentence, // moved on to the next sentence
    wrapped,      // infinite mode went from the last sentence back to the first
    reachedEnd,   // stop mode finished the last sentence: the owner reports the end
};

// Where the current sentence stands in a view: centred when it fits, otherwise its leading
// edge at `x` (view coordinates).
struct MiniPan {
    bool centred = true;
    double x = 0;

    bool operator==(const MiniPan&) const = default;
};

// The single-line prompter's reading logic, driven by elapsed time: one sentence at a time,
// each shown as long as its words take at the current speed. Plain state; MiniPrompter binds
// it to the model and the main loop.
class MiniPrompterEngine {
public:
    static constexpr double kHorizontalPadding = 22; // hPad

    // Line breaks end a sentence and are dropped; "。！？!?.；;" end it and stay with it; each
    // sentence is trimmed and blank ones are left out. Walks grapheme clusters, so a terminator
    // carrying a combining mark is not one.
    static std::vector<std::string> splitSentences(std::string_view text);

    // max(words / max(speed / 20, 1.5), 1) seconds: 80 points per second reads 4 words a second,
    // no speed reads fewer than 1.5, no sentence shows for less than a second.
    static double sentenceDuration(int64_t words, double speedPointsPerSecond);

    // The pan rule for a sentence of natural width `textWidth` in a view `viewWidth` wide:
    // a long sentence stands for the first 15 % of its time, pans to show its end by 85 %, and
    // stands for the rest.
    static MiniPan pan(double viewWidth, double textWidth, double sentenceElapsed, double duration);

    // New sentences from the spoken text; the index is clamped to the new last sentence and the
    // sentence starts again.
    void rebuild(std::string_view spokenText);

    // One frame at `now`. A stall counts for at most 0.25 s of reading.
    MiniTickOutcome tick(MonotonicTime now, bool isRunning, double speedPointsPerSecond, ScrollMode mode);

    // The reactions to the model's commands.
    void reset();      // back to the first sentence
    void jumpBack();   // one sentence back, from its start
    void runningChanged(); // the next frame starts a fresh interval

    const std::vector<std::string>& sentences() const { return m_sentences; }
    bool hasSentences() const { return !m_sentences.empty(); }
    int64_t index() const { return m_index; }
    double sentenceElapsed() const { return m_sentenceElapsed; }
    // Empty when there are no sentences.
    std::string_view currentSentence() const;
    int64_t currentWordCount() const;
    double currentDuration(double speedPointsPerSecond) const;

private:
    std::vector<std::string> m_sentences;
    std::vector<int64_t> m_wordCounts;
    int64_t m_index = 0;
    double m_sentenceElapsed = 0;
    std::optional<MonotonicTime> m_lastTick;
};

} // namespace tavilo
