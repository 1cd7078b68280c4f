#pragma once

#include "follow/SpeechPermissions.h"
#include "follow/SystemSpeechEngine.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

namespace tavilo::testing_support {

class FakeSystemFactory;

// A system recogniser run that the test speaks through.
class FakeSystemEngine final : public SystemSpeechEngine {
public:
    FakeSystemEngine(FakeSystemFactory& factory, bool available, bool supportsOnDevice, std::optional<SpeechError> startError);
    ~FakeSystemEngine() override;

    bool isAvailable() const override { return m_available; }
    bool supportsOnDevice() const override { return m_supportsOnDevice; }
    std::optional<SpeechError> start() override
    {
        if (m_startError)
            return m_startError;
        started = true;
        return std::nullopt;
    }
    void stop() override { stopped = true; }

    void say(const std::string& text) { onText(text); }
    void end(std::optional<SpeechError> error = std::nullopt) { onEnded(std::move(error)); }

    bool started = false;
    bool stopped = false;

private:
    FakeSystemFactory& m_factory;
    bool m_available;
    bool m_supportsOnDevice;
    std::optional<SpeechError> m_startError;
};

class FakeSystemFactory final : public SystemSpeechEngineFactory {
public:
    struct Plan {
        bool available = true;
        bool supportsOnDevice = true;
        std::optional<SpeechError> startError;
    };

    std::unique_ptr<SystemSpeechEngine> create(const std::string& localeID, bool requireOnDevice) override
    {
        creations.push_back({ localeID, requireOnDevice });
        Plan plan = plans.empty() ? defaultPlan : plans.front();
        if (!plans.empty())
            plans.pop_front();
        // As the adapter does: requiring on-device recognition the recogniser lacks fails.
        auto error = plan.startError;
        if (!error && !plan.available)
            error = SystemSpeechEngine::noRecognizerError();
        if (!error && requireOnDevice && !plan.supportsOnDevice)
            error = SystemSpeechEngine::onDeviceUnavailableError();
        return std::make_unique<FakeSystemEngine>(*this, plan.available, plan.supportsOnDevice, error);
    }

    // The newest engine that still exists and was started.
    FakeSystemEngine* running() const
    {
        for (auto it = live.rbegin(); it != live.rend(); ++it) {
            if ((*it)->started && !(*it)->stopped)
                return *it;
        }
        return nullptr;
    }

    Plan defaultPlan;
    std::deque<Plan> plans;
    std::vector<std::pair<std::string, bool>> creations;
    std::vector<FakeSystemEngine*> live;
};

inline FakeSystemEngine::FakeSystemEngine(
    FakeSystemFactory& factory, bool available, bool supportsOnDevice, std::optional<SpeechError> startError)
    : m_factory(factory)
    , m_available(available)
    , m_supportsOnDevice(supportsOnDevice)
    , m_startError(std::move(startError))
{
    m_factory.live.push_back(this);
}

inline FakeSystemEngine::~FakeSystemEngine()
{
    std::erase(m_factory.live, this);
}

// Answers as configured, at once or when the test says.
class FakePermissions final : public SpeechPermissions {
public:
    void requestMicrophoneAccess(std::function<void(bool)> answer) override
    {
        ++microphoneRequests;
        if (deferred)
            pendingMicrophone = std::move(answer);
        else
            answer(microphone);
    }
    void requestSpeechAuthorization(std::function<void(bool)> answer) override
    {
        ++speechRequests;
        answer(speech);
    }

    bool microphone = true;
    bool speech = true;
    bool deferred = false;
    std::function<void(bool)> pendingMicrophone;
    int microphoneRequests = 0;
    int speechRequests = 0;
};

} // namespace tavilo::testing_support
