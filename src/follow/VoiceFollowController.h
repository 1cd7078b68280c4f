#pragma once

#include "base/MainLoop.h"
#include "base/Published.h"
#include "base/Uuid.h"
#include "core/PrompterTypes.h"
#include "follow/AlignmentEngine.h"
#include "follow/FollowDiagnostics.h"
#include "follow/LocalSpeechEngine.h"
#include "follow/ScriptToken.h"
#include "follow/SpeechPermissions.h"
#include "follow/SystemSpeechEngine.h"
#include "follow/WordTimedSpeechEngine.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavilo {

class LocalizationManager;

// What the controller needs from the rest of the application.
struct VoiceFollowServices {
    MainLoop& loop;
    const LocalizationManager& localization;
    SystemSpeechEngineFactory& systemEngines;
    SpeechPermissions& permissions;
    WordTimedEngineFactory& localEngines;
    std::filesystem::path resourcesDir; // where a bundled local model would be
    FollowDiagnostics& diagnostics;
};

struct RecognitionChoice {
    std::string localeID;
    bool useLocalRecognizer = false;
    bool operator==(const RecognitionChoice&) const = default;
};

// Runs voice follow: prepares the script, starts a recogniser (the system one, or the local
// word-timed one), aligns every transcript with the script and turns the token cursor into
// two smoothly moving character offsets, one for the highlight and one, slightly ahead,
// for scrolling. Keeps the system recogniser alive across its runs and falls back from
// on-device to server recognition. Main thread only; one instance for the application.
class VoiceFollowController {
public:
    static constexpr Duration kDisplayInterval = std::chrono::milliseconds(16);
    static constexpr Duration kRestartDelay = std::chrono::milliseconds(250);
    static constexpr int64_t kMaxSilentRestarts = 59;

    explicit VoiceFollowController(VoiceFollowServices services);
    ~VoiceFollowController();
    VoiceFollowController(const VoiceFollowController&) = delete;
    VoiceFollowController& operator=(const VoiceFollowController&) = delete;

    // Begins following `script`; permission answers may come later.
    void start(const std::string& script, const std::string& localeID, bool useLocalRecognizer);
    // Ends following; position, offsets and script stay for the view.
    void stop();

    static RecognitionChoice recognitionChoice(VoiceEngine engine, const std::vector<ScriptToken>& tokens);
    // "\r\n" to "\n", lines trimmed of spaces and tabs, empty lines dropped.
    static std::string prepareScript(const std::string& text);
    // "en" when fewer than half the tokens are CJK, else "zh".
    static std::string whisperLanguage(const std::vector<ScriptToken>& tokens);

    const Published<bool>& isListening() const { return m_isListening; }
    const Published<std::string>& status() const { return m_status; }
    const Published<std::string>& hint() const { return m_hint; }
    const Published<std::string>& recognizedText() const { return m_recognizedText; }
    const Published<float>& audioLevel() const { return m_audioLevel; }
    const Published<int64_t>& cursor() const { return m_cursor; }
    const Published<bool>& onDevice() const { return m_onDevice; }
    const Published<double>& displayCharOffset() const { return m_displayCharOffset; }
    const Published<double>& scrollCharOffset() const { return m_scrollCharOffset; }
    const Published<Uuid>& followReset() const { return m_followReset; }
    const Published<int64_t>& rereadRevision() const { return m_rereadRevision; }

    const std::vector<std::string>& lines() const { return m_lines; }
    const std::vector<int64_t>& lineStartOffsets() const { return m_lineStartOffsets; }
    int64_t scriptCharacterCount() const { return m_scriptCharacterCount; }
    const std::vector<ScriptToken>& scriptTokens() const { return m_scriptTokens; }
    int64_t diagnosticSequence() const { return m_diagnosticSequence; }
    double diagnosticRecognitionTime() const { return m_diagnosticRecognitionTime; }
    double charRateEMA() const { return m_charRateEMA; }
    double baseCharOffset() const { return m_baseCharOffset; }
    const std::string& localeID() const { return m_localeID; }
    const AlignmentEngine* aligner() const { return m_aligner.get(); }

    // The line holding the highlighted position.
    int64_t currentLineIndex() const;
    // Where the last confirmed token ends.
    int64_t confirmedCharOffset() const;

private:
    void loadScript(const std::string& text);
    void microphoneAnswered(bool granted, bool useLocalRecognizer);
    void speechAnswered(bool granted);
    void startSystemRecognizer();
    void startLocalRecognizer();
    void handleRecognition(const std::string& text);
    void handleEnded(std::optional<SpeechError> error);
    void advanceBase();
    void startDisplayLoop();
    void displayTick();
    void dropRecognizers();
    double uptime() const;

    VoiceFollowServices m_services;

    Published<bool> m_isListening { false };
    Published<std::string> m_status;
    Published<std::string> m_hint;
    Published<std::string> m_recognizedText;
    Published<float> m_audioLevel { 0.0f };
    Published<int64_t> m_cursor { 0 };
    Published<bool> m_onDevice { false };
    Published<double> m_displayCharOffset { 0.0 };
    Published<double> m_scrollCharOffset { 0.0 };
    Published<Uuid> m_followReset { Uuid::create() };
    Published<int64_t> m_rereadRevision { 0 };

    int64_t m_diagnosticSequence = 0;
    double m_diagnosticRecognitionTime = 0;
    std::optional<double> m_previousRecognitionTime; // none yet in this run
    std::vector<std::string> m_lines;
    std::vector<int64_t> m_lineStartOffsets;
    int64_t m_scriptCharacterCount = 0;
    std::vector<ScriptToken> m_scriptTokens;
    std::unique_ptr<AlignmentEngine> m_aligner;
    std::unique_ptr<SystemSpeechEngine> m_engine;
    std::unique_ptr<LocalSpeechEngine> m_whisperEngine;
    TimerHandle m_whisperStartTask;
    std::string m_localeID = "zh-CN";
    int64_t m_restartCount = 0;
    bool m_triedServer = false;
    bool m_hasText = false;
    double m_baseCharOffset = 0;
    MonotonicTime m_lastBaseAdvance;
    double m_charRateEMA = 0;
    TimerHandle m_displayTask;
    bool m_displayRunning = false;
    bool m_aggressiveLead = false;
    MonotonicTime m_lastTick;

    TimerHandle m_restartTask;
    // Bumped by start and stop: permission answers for an older start are ignored.
    uint64_t m_startGeneration = 0;
    // Bumped whenever a recogniser is dropped: its late callbacks are ignored.
    uint64_t m_recognizerGeneration = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tavilo
