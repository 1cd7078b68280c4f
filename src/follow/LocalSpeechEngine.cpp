#include "LocalSpeechEngine.h"

#include <algorithm>

namespace tavilo {

namespace {
const std::filesystem::path kBundle = "WhisperBundle";
const std::filesystem::path kModelFolder = "openai_whisper-base";
const std::filesystem::path kTokenizerFolder = "tok";
} // namespace

LocalSpeechEngine::LocalSpeechEngine(MainLoop& loop, WordTimedEngineFactory& factory,
    std::filesystem::path resourcesDir, FollowDiagnostics& diagnostics)
    : m_loop(loop)
    , m_factory(factory)
    , m_resourcesDir(std::move(resourcesDir))
    , m_diagnostics(diagnostics)
    , m_session(Uuid::create())
{
}

LocalSpeechEngine::~LocalSpeechEngine()
{
    m_alive.reset();
    stop();
    // Destroying the streams joins their threads; at teardown waiting is acceptable.
    m_stoppedStreams.clear();
}

bool LocalSpeechEngine::bundledModelPresent(const std::filesystem::path& resourcesDir)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(resourcesDir / kBundle / kModelFolder / "config.json", ec);
}

SpeechModelConfiguration LocalSpeechEngine::configurationFor(const std::filesystem::path& resourcesDir)
{
    SpeechModelConfiguration configuration;
    if (bundledModelPresent(resourcesDir)) {
        configuration.modelFolder = resourcesDir / kBundle / kModelFolder;
        configuration.tokenizerFolder = resourcesDir / kBundle / kTokenizerFolder;
    }
    return configuration;
}

void LocalSpeechEngine::start(const std::string& language)
{
    stop();
    const Uuid session = m_session;
    if (onStatus)
        onStatus(bundledModelPresent(m_resourcesDir) ? kLoadingStatus : kDownloadingStatus);
    std::weak_ptr<bool> alive = m_alive;
    MainLoop& loop = m_loop;
    m_factory.createEngine(configurationFor(m_resourcesDir), [this, alive, session, language, &loop](EngineCreation creation) {
        // The factory may answer on any thread; the rest happens on the main loop.
        loop.post([this, alive, session, language, creation = std::move(creation)]() mutable {
            if (alive.expired() || !isCurrent(session))
                return; // stopped meanwhile: the loaded engine is dropped silently
            engineCreated(session, std::move(creation), language);
        });
    });
}

void LocalSpeechEngine::engineCreated(const Uuid& session, EngineCreation creation, const std::string& language)
{
    if (creation.error || !creation.engine) {
        const std::string description = creation.error ? creation.error->description : std::string("no engine");
        fail(kCreationFailedPrefix + description);
        return;
    }
    m_speechEngine = std::move(creation.engine);
    if (!m_speechEngine->hasTokenizer()) {
        fail(kNoTokenizerText);
        return;
    }
    // These run on the stream's threads: they touch nothing of this object there, only hop
    // to the main loop, where the object's existence and the run are checked first.
    std::weak_ptr<bool> alive = m_alive;
    MainLoop& loop = m_loop;
    auto onMainLoop = [this, alive, session, &loop](std::function<void()> task) {
        loop.post([this, alive, session, task = std::move(task)] {
            if (alive.expired() || !isCurrent(session))
                return;
            task();
        });
    };
    auto onStreamText = [this, onMainLoop](const std::string& text, double frontier, double decodeSeconds) {
        onMainLoop([this, text, frontier, decodeSeconds] {
            m_diagnostics.log(FollowEventKind::engine,
                { { "stage", 10 }, { "audioFrontier", frontier }, { "decodeMs", decodeSeconds * 1000 } });
            if (onText)
                onText(text);
        });
    };
    auto onStreamLevel = [this, onMainLoop](float level) {
        onMainLoop([this, level] {
            if (onLevel)
                onLevel(level);
        });
    };
    m_transcriber = std::make_unique<TimedTranscriptionStream>(m_speechEngine, language, onStreamText, onStreamLevel);
    if (onStatus)
        onStatus(kListeningStatus);
    m_transcriber->start([this, onMainLoop](std::optional<SpeechError> error) {
        if (error)
            onMainLoop([this, error] { fail(kStreamFailedPrefix + error->description); });
    });
}

void LocalSpeechEngine::fail(const std::string& text)
{
    if (onFailure)
        onFailure(text);
}

void LocalSpeechEngine::stop()
{
    m_session = Uuid::create();
    if (m_transcriber) {
        m_transcriber->stop();
        m_stoppedStreams.push_back(std::move(m_transcriber));
    }
    m_speechEngine.reset();
    reapStoppedStreams();
}

void LocalSpeechEngine::reapStoppedStreams()
{
    std::erase_if(m_stoppedStreams, [](const auto& stream) { return stream->isFinished(); });
}

} // namespace tavilo
