#pragma once

#include "follow/WordTimedSpeechEngine.h"

#include <optional>
#include <string>
#include <vector>

namespace tavilo {

// Decides what a re-decoded window adds: only words before the audio frontier, only when
// the transcript reaches more than 60 ms further than before, and only the last 6 seconds.
struct TimedTranscriptGate {
    using Word = TimedWord;

    double audioFrontier = 0; // end time of the latest word emitted, seconds

    // `words` carry absolute times; `frontier` is how much audio there is, in seconds.
    std::optional<std::string> accept(const std::vector<Word>& words, double frontier);

    // The text without special-token markers such as "<|en|>" or "<|0.00|>".
    static std::string removeMarkers(const std::string& text);
};

} // namespace tavilo
