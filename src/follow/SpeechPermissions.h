#pragma once

#include <functional>

namespace tavilo {

// Microphone access and speech-recognition authorization. Answers come on the main loop,
// at once or later.
class SpeechPermissions {
public:
    virtual ~SpeechPermissions() = default;
    virtual void requestMicrophoneAccess(std::function<void(bool granted)> answer) = 0;
    virtual void requestSpeechAuthorization(std::function<void(bool granted)> answer) = 0;
};

// The desktop has no permission prompts: both are granted, and a recogniser that cannot
// reach the microphone says so when it starts.
class GrantedSpeechPermissions final : public SpeechPermissions {
public:
    void requestMicrophoneAccess(std::function<void(bool)> answer) override { answer(true); }
    void requestSpeechAuthorization(std::function<void(bool)> answer) override { answer(true); }
};

} // namespace tavilo
