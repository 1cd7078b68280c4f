#pragma once

#include "base/MainLoop.h"
#include "base/Uuid.h"
#include "follow/FollowDiagnostics.h"
#include "follow/TimedTranscriptionStream.h"
#include "follow/WordTimedSpeechEngine.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavilo {

// The local recogniser as the controller sees it: loads the word-timed engine, runs a
// timed transcription stream and reports text, level, status and failure. Every callback
// comes on the main loop and only for the current run; start and stop each begin a new
// run, so results of an older one are dropped. Main thread only.
class LocalSpeechEngine {
public:
    static constexpr const char* kLoadingStatus = "加载本地语音模型…";
    static constexpr const char* kDownloadingStatus = "下载语音模型（首次，请稍候）…";
    static constexpr const char* kListeningStatus = "聆听中…（本地语音跟随）";
    static constexpr const char* kCreationFailedPrefix = "本地语音启动失败：";
    static constexpr const char* kNoTokenizerText = "本地语音模型未就绪，请重新开始。";
    static constexpr const char* kStreamFailedPrefix = "识别中断：";

    LocalSpeechEngine(MainLoop& loop, WordTimedEngineFactory& factory, std::filesystem::path resourcesDir,
        FollowDiagnostics& diagnostics);
    ~LocalSpeechEngine();
    LocalSpeechEngine(const LocalSpeechEngine&) = delete;
    LocalSpeechEngine& operator=(const LocalSpeechEngine&) = delete;

    std::function<void(const std::string&)> onText;
    std::function<void(float)> onLevel;
    std::function<void(const std::string&)> onStatus;
    std::function<void(const std::string&)> onFailure;

    // Stops any previous run, then loads the model and starts streaming with the language
    // code ("zh" or "en").
    void start(const std::string& language);
    // Ends the run at once; nothing more is reported for it.
    void stop();

    // Where a bundled model would be, under the application's resources.
    static SpeechModelConfiguration configurationFor(const std::filesystem::path& resourcesDir);
    static bool bundledModelPresent(const std::filesystem::path& resourcesDir);

private:
    bool isCurrent(const Uuid& session) const { return session == m_session; }
    void engineCreated(const Uuid& session, EngineCreation creation, const std::string& language);
    void fail(const std::string& text);
    void reapStoppedStreams();

    MainLoop& m_loop;
    WordTimedEngineFactory& m_factory;
    std::filesystem::path m_resourcesDir;
    FollowDiagnostics& m_diagnostics;

    std::shared_ptr<WordTimedSpeechEngine> m_speechEngine;
    std::unique_ptr<TimedTranscriptionStream> m_transcriber;
    Uuid m_session;
    // Stopped streams whose decoding thread may still be finishing a window; joined once
    // done, so the main thread never waits for a decode.
    std::vector<std::unique_ptr<TimedTranscriptionStream>> m_stoppedStreams;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tavilo
