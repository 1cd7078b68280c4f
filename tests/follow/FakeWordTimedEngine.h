#pragma once

#include "base/ManualLoop.h"
#include "follow/WordTimedSpeechEngine.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tavilo::testing_support {

// Waits (really) for worker threads, running what they post to the loop, until `done`.
template<typename Predicate>
bool waitUntil(ManualLoop& loop, Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        loop.waitForPosted(std::chrono::milliseconds(20));
    }
    return true;
}

class FakeRecorder final : public SpeechAudioRecorder {
public:
    std::optional<SpeechError> startRecording(std::function<void(std::vector<float>)> onChunk) override
    {
        std::lock_guard lock(m_mutex);
        ++starts;
        if (startError)
            return startError;
        m_onChunk = std::move(onChunk);
        m_changed.notify_all();
        return std::nullopt;
    }
    void purgeSamples() override { ++purges; }
    void stopRecording() override
    {
        std::lock_guard lock(m_mutex);
        m_onChunk = nullptr;
        ++stops;
        m_changed.notify_all();
    }

    bool waitUntilRecording(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return static_cast<bool>(m_onChunk); });
    }
    bool isRecording()
    {
        std::lock_guard lock(m_mutex);
        return static_cast<bool>(m_onChunk);
    }
    // Plays the part of the recording thread.
    void deliver(std::vector<float> chunk)
    {
        std::function<void(std::vector<float>)> callback;
        {
            std::lock_guard lock(m_mutex);
            callback = m_onChunk;
        }
        if (callback)
            callback(std::move(chunk));
    }

    std::optional<SpeechError> startError;
    std::atomic<int> starts { 0 };
    std::atomic<int> purges { 0 };
    std::atomic<int> stops { 0 };

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void(std::vector<float>)> m_onChunk;
};

// Transcribes with a function the test gives; records what it was asked.
class FakeWordTimedEngine final : public WordTimedSpeechEngine {
public:
    using Responder = std::function<TranscriptionOutcome(const std::vector<float>&)>;

    bool hasTokenizer() const override { return tokenizer; }
    SpeechAudioRecorder& audioRecorder() override { return recorder; }
    TranscriptionOutcome transcribe(const std::vector<float>& samples, const DecodingOptions& options) override
    {
        Responder respond;
        {
            std::lock_guard lock(m_mutex);
            windowSizes.push_back(static_cast<int64_t>(samples.size()));
            lastOptions = options;
            respond = responder;
        }
        ++decodes;
        return respond ? respond(samples) : TranscriptionOutcome {};
    }
    int64_t maxTokenContext() const override { return 224; }

    std::vector<int64_t> windows()
    {
        std::lock_guard lock(m_mutex);
        return windowSizes;
    }
    DecodingOptions options()
    {
        std::lock_guard lock(m_mutex);
        return lastOptions;
    }
    void setResponder(Responder r)
    {
        std::lock_guard lock(m_mutex);
        responder = std::move(r);
    }

    FakeRecorder recorder;
    bool tokenizer = true;
    std::atomic<int> decodes { 0 };

private:
    std::mutex m_mutex;
    Responder responder;
    std::vector<int64_t> windowSizes;
    DecodingOptions lastOptions;
};

// Holds each creation request until the test answers it.
class FakeEngineFactory final : public WordTimedEngineFactory {
public:
    void createEngine(const SpeechModelConfiguration& configuration, std::function<void(EngineCreation)> done) override
    {
        requests.push_back(configuration);
        pending = std::move(done);
    }
    void complete(EngineCreation creation)
    {
        auto done = std::move(pending);
        pending = nullptr;
        if (done)
            done(std::move(creation));
    }

    std::vector<SpeechModelConfiguration> requests;
    std::function<void(EngineCreation)> pending;
};

// Samples whose values are their own sample numbers, so a fake engine can tell which part
// of the recording a window holds.
inline std::vector<float> numberedSamples(int64_t first, int64_t count)
{
    std::vector<float> samples(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i)
        samples[static_cast<size_t>(i)] = static_cast<float>(first + i);
    return samples;
}

} // namespace tavilo::testing_support
