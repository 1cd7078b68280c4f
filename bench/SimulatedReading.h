#pragma once

#include "follow/ScriptToken.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavilo::bench {

// A synthetic presenter's script: paragraphs of Chinese sentences with English product
// words and numbers, built from a word list so that long phrases rarely repeat.
std::string syntheticScript(int64_t targetTokens, uint32_t seed);

struct ReadingOptions {
    double wordErrorRate = 0;      // share of spoken tokens the recogniser gets wrong
    double rewriteRate = 0.35;     // share of partial results whose last 1–2 tokens are a wrong guess
    bool skipParagraph = false;    // the speaker leaves out one paragraph in the middle
    double rereadRate = 0;         // chance, at a sentence end, to go back and read it again
    double tokensPerSecond = 4.5;  // reading pace in script tokens
    double latencySeconds = 0.35;  // recogniser delay behind the voice
    double runSeconds = 55;        // a recogniser run ends after this long and restarts
    uint32_t seed = 1;
};

struct ReadingEvent {
    enum class Kind { partial, runEnded };
    Kind kind = Kind::partial;
    double time = 0;          // seconds since reading began
    std::string transcript;   // whole transcript of the current run (partial only)
    int64_t spokenTokens = 0; // script tokens the speaker has actually read at `time`
};

// When each script token was spoken: the ground truth for lag measurements.
struct SpokenToken {
    double time;
    int64_t index;
};

struct Reading {
    std::vector<ReadingEvent> events;
    std::vector<SpokenToken> spoken;
};

// What a streaming recogniser would send while someone reads `tokens` aloud: growing
// partial transcripts with substituted, homophone, dropped and invented words, rewritten
// last words, and the runs' ends. `text` is the script the tokens came from (sentence and
// paragraph ends are read from it).
Reading simulateReading(const std::string& text, const std::vector<ScriptToken>& tokens, const ReadingOptions& options);

} // namespace tavilo::bench
