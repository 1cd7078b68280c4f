#pragma once

#include "follow/SpeechError.h"
#include "follow/TimedAudioBuffer.h"
#include "follow/TimedTranscriptGate.h"
#include "follow/WordTimedSpeechEngine.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavilo {

// Turns a word-timed engine that transcribes arrays into a stream: records the microphone
// into a rolling 12-second buffer and, on its own thread, re-transcribes the buffer each
// time 0.35 s of new audio has come, passing on the gate's text. A stream runs once.
class TimedTranscriptionStream {
public:
    static constexpr int64_t kSampleRate = 16000;
    static constexpr int64_t kNewSamplesPerDecode = 5600; // 0.35 s
    static constexpr std::chrono::milliseconds kPollInterval { 30 };

    // (text, gate frontier in seconds, decoding time in seconds), on the decoding thread.
    using TextCallback = std::function<void(const std::string&, double, double)>;
    // Microphone level 0…1, on the recorder's thread.
    using LevelCallback = std::function<void(float)>;
    // The end of the run: nothing when stopped, else why it failed; on the decoding thread.
    using FinishedCallback = std::function<void(std::optional<SpeechError>)>;

    static constexpr const char* kErrorDomain = "Tavilo.TimedWhisper";
    static constexpr int64_t kMissingWordTimingsCode = 1;
    static constexpr const char* kMissingWordTimingsText = "语音模型未返回词级时间信息，无法稳定跟随。";

    TimedTranscriptionStream(std::shared_ptr<WordTimedSpeechEngine> engine, std::optional<std::string> language,
        TextCallback onText, LevelCallback onLevel);
    // Stops the run and waits for the decoding thread.
    ~TimedTranscriptionStream();
    TimedTranscriptionStream(const TimedTranscriptionStream&) = delete;
    TimedTranscriptionStream& operator=(const TimedTranscriptionStream&) = delete;

    // Starts the run on a thread of its own; a second call does nothing.
    void start(FinishedCallback finished);
    // Ends the run soon without waiting: the current decode finishes and is discarded.
    void stop();
    // The decoding thread has ended (joining it then does not block).
    bool isFinished() const { return m_finished; }

    // Level of a chunk: min(20 × rms, 1).
    static float level(const std::vector<float>& samples);

private:
    struct Shared;
    std::optional<SpeechError> run();

    std::shared_ptr<WordTimedSpeechEngine> m_engine;
    std::optional<std::string> m_language;
    TextCallback m_onText;
    std::shared_ptr<Shared> m_shared;
    TimedTranscriptGate m_gate;
    std::atomic<bool> m_started { false };
    std::atomic<bool> m_finished { false };
    std::thread m_thread;
};

} // namespace tavilo
