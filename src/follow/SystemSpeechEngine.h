#pragma once

#include "follow/SpeechError.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tavilo {

// One run of the system speech recogniser: microphone audio in, growing transcripts out.
// The controller creates a new one for every run, restart and fallback.
class SystemSpeechEngine {
public:
    static constexpr const char* kErrorDomain = "Tavilo";
    static SpeechError noRecognizerError() { return { kErrorDomain, 2, "No recognizer for this language." }; }
    static SpeechError noMicrophoneError() { return { kErrorDomain, 3, "No microphone input (sample rate 0)." }; }
    static SpeechError onDeviceUnavailableError()
    {
        return { kErrorDomain, 4, "On-device model unavailable for this language." };
    }

    virtual ~SystemSpeechEngine() = default;

    // There is a recogniser for the locale.
    virtual bool isAvailable() const = 0;
    virtual bool supportsOnDevice() const = 0;
    // Starts the run; the callbacks are set before. A failed start leaves nothing running.
    virtual std::optional<SpeechError> start() = 0;
    // Ends the run; safe at any time and more than once.
    virtual void stop() = 0;

    // Called on the main loop only: the whole transcript of the run so far; the end of the
    // run (normal, or with the error); the microphone level 0…1.
    std::function<void(const std::string&)> onText;
    std::function<void(std::optional<SpeechError>)> onEnded;
    std::function<void(float)> onLevel;
};

class SystemSpeechEngineFactory {
public:
    virtual ~SystemSpeechEngineFactory() = default;
    // Never null: a locale without a recogniser gives an engine that is not available.
    virtual std::unique_ptr<SystemSpeechEngine> create(const std::string& localeID, bool requireOnDevice) = 0;
};

} // namespace tavilo
