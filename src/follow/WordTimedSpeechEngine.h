#pragma once

#include "follow/SpeechError.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavilo {

// A recognised word with its time in seconds from the start of the transcribed samples
// (made absolute, since the recording started, by the stream).
struct TimedWord {
    std::string text;
    double start = 0;
    double end = 0;
};

struct TranscriptionResult {
    std::string text;
    std::vector<TimedWord> words;
};

struct TranscriptionOutcome {
    std::vector<TranscriptionResult> results;
    std::optional<SpeechError> error;
};

// Options passed with every window. A backend uses the ones it understands; the values
// are those the word-timed stream was tuned with.
struct DecodingOptions {
    bool verbose = false;
    std::string task = "transcribe";
    std::optional<std::string> language; // "zh" or "en"
    double temperature = 0;
    int temperatureFallbackCount = 0;
    int topK = 5;
    bool usePrefillPrompt = true;
    bool usePrefillCache = true;
    std::optional<bool> detectLanguage;
    bool skipSpecialTokens = true;
    bool withoutTimestamps = false;
    bool wordTimestamps = true;
    std::optional<double> maxInitialTimestamp;
    std::vector<double> clipTimestamps;
    std::vector<int> promptTokens;
    std::vector<int> prefixTokens;
    bool suppressBlank = false;
    std::vector<int> suppressTokens;
    double compressionRatioThreshold = 2.4;
    double logProbThreshold = -1.0;
    double firstTokenLogProbThreshold = -1.5;
    double noSpeechThreshold = 0.6;
    int concurrentWorkerCount = 16;
    int64_t sampleLength = 0; // the engine's maximum token context
};

// The engine's microphone capture: 16 kHz mono float samples.
class SpeechAudioRecorder {
public:
    virtual ~SpeechAudioRecorder() = default;
    // Starts live recording from the default input; `onChunk` receives each new chunk on
    // the recorder's own thread until stopRecording().
    virtual std::optional<SpeechError> startRecording(std::function<void(std::vector<float>)> onChunk) = 0;
    // Forgets the samples the recorder keeps itself.
    virtual void purgeSamples() = 0;
    // Safe from any thread, at any time, more than once; no chunk is delivered after it.
    virtual void stopRecording() = 0;
};

// An on-device speech-to-text engine that returns word timings.
class WordTimedSpeechEngine {
public:
    virtual ~WordTimedSpeechEngine() = default;
    virtual bool hasTokenizer() const = 0;
    virtual SpeechAudioRecorder& audioRecorder() = 0;
    // Blocking; called on the decoding thread.
    virtual TranscriptionOutcome transcribe(const std::vector<float>& samples, const DecodingOptions& options) = 0;
    virtual int64_t maxTokenContext() const = 0;
};

struct SpeechModelConfiguration {
    std::string model = "base";
    std::optional<std::filesystem::path> modelFolder;     // the bundled model, when present
    std::optional<std::filesystem::path> tokenizerFolder; // likewise
};

struct EngineCreation {
    std::shared_ptr<WordTimedSpeechEngine> engine;
    std::optional<SpeechError> error;
};

// Loads (or first obtains) a model; may take long.
class WordTimedEngineFactory {
public:
    virtual ~WordTimedEngineFactory() = default;
    // `done` is called exactly once, on any thread.
    virtual void createEngine(const SpeechModelConfiguration& configuration, std::function<void(EngineCreation)> done) = 0;
};

} // namespace tavilo
