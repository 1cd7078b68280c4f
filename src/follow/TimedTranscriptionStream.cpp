#include "TimedTranscriptionStream.h"

#include "follow/TextCharacters.h"

#include <cmath>

namespace tavilo {

// What the recorder's callback may touch, kept alive by the callback itself so that a late
// chunk after the stream is gone is harmless.
struct TimedTranscriptionStream::Shared {
    TimedAudioBuffer buffer;
    LevelCallback onLevel;
    std::weak_ptr<WordTimedSpeechEngine> engine;
    std::mutex mutex;
    std::condition_variable wake;
    bool running = false;

    bool isRunning()
    {
        std::lock_guard lock(mutex);
        return running;
    }
    void setRunning(bool value)
    {
        {
            std::lock_guard lock(mutex);
            running = value;
        }
        wake.notify_all();
    }
};

TimedTranscriptionStream::TimedTranscriptionStream(std::shared_ptr<WordTimedSpeechEngine> engine,
    std::optional<std::string> language, TextCallback onText, LevelCallback onLevel)
    : m_engine(std::move(engine))
    , m_language(std::move(language))
    , m_onText(std::move(onText))
    , m_shared(std::make_shared<Shared>())
{
    m_shared->onLevel = std::move(onLevel);
    m_shared->engine = m_engine;
}

TimedTranscriptionStream::~TimedTranscriptionStream()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

float TimedTranscriptionStream::level(const std::vector<float>& samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (float x : samples)
        sum += static_cast<double>(x) * static_cast<double>(x);
    const double rms = std::sqrt(sum / static_cast<double>(samples.size()));
    return static_cast<float>(std::min(20.0 * rms, 1.0));
}

void TimedTranscriptionStream::start(FinishedCallback finished)
{
    if (m_started.exchange(true))
        return;
    m_shared->setRunning(true);
    m_thread = std::thread([this, finished = std::move(finished)] {
        auto error = run();
        m_shared->setRunning(false);
        if (finished)
            finished(std::move(error));
        m_finished = true;
    });
}

void TimedTranscriptionStream::stop()
{
    if (!m_started)
        return;
    m_shared->setRunning(false);
    if (m_engine)
        m_engine->audioRecorder().stopRecording();
}

std::optional<SpeechError> TimedTranscriptionStream::run()
{
    auto& recorder = m_engine->audioRecorder();
    m_gate.audioFrontier = 0;
    std::weak_ptr<Shared> weakShared = m_shared;
    auto startError = recorder.startRecording([weakShared](std::vector<float> chunk) {
        auto shared = weakShared.lock();
        if (!shared || chunk.empty())
            return;
        shared->buffer.append(chunk);
        if (auto engine = shared->engine.lock())
            engine->audioRecorder().purgeSamples();
        if (shared->onLevel)
            shared->onLevel(level(chunk));
        shared->wake.notify_all();
    });
    if (startError) {
        m_shared->setRunning(false);
        recorder.stopRecording();
        return startError;
    }

    DecodingOptions options;
    options.language = m_language;
    options.sampleLength = m_engine->maxTokenContext();
    int64_t last = 0;
    std::optional<SpeechError> failure;
    while (m_shared->isRunning()) {
        auto snapshot = m_shared->buffer.snapshot();
        if (snapshot.total - last < kNewSamplesPerDecode) {
            std::unique_lock lock(m_shared->mutex);
            m_shared->wake.wait_for(lock, kPollInterval, [&] {
                return !m_shared->running || m_shared->buffer.total() - last >= kNewSamplesPerDecode;
            });
            continue;
        }
        const int64_t windowStart = snapshot.total - static_cast<int64_t>(snapshot.samples.size());
        // Decoding time is a measurement for the log only.
        const auto decodeStart = std::chrono::steady_clock::now();
        auto outcome = m_engine->transcribe(snapshot.samples, options);
        if (!m_shared->isRunning())
            break; // stopped while decoding: the result belongs to no one
        if (outcome.error) {
            failure = outcome.error;
            break;
        }
        std::vector<TimedWord> words;
        bool anyText = false;
        for (auto& result : outcome.results) {
            anyText = anyText || !isBlank(result.text);
            for (auto& word : result.words)
                words.push_back(std::move(word));
        }
        if (words.empty() && anyText) {
            failure = SpeechError { kErrorDomain, kMissingWordTimingsCode, kMissingWordTimingsText };
            break;
        }
        const double offset = static_cast<double>(windowStart) / kSampleRate;
        for (auto& word : words) {
            word.start += offset;
            word.end += offset;
        }
        if (auto text = m_gate.accept(words, static_cast<double>(snapshot.total) / kSampleRate)) {
            const double decodeSeconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - decodeStart).count();
            if (m_onText)
                m_onText(*text, m_gate.audioFrontier, decodeSeconds);
        }
        last = snapshot.total;
    }
    m_shared->setRunning(false);
    recorder.stopRecording();
    return failure;
}

} // namespace tavilo
