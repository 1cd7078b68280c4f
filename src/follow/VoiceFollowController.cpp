#include "VoiceFollowController.h"

#include "follow/ScriptTokenizer.h"
#include "follow/TextCharacters.h"
#include "strings/LocalizationManager.h"

#include <algorithm>
#include <cmath>

namespace tavilo {

namespace {

constexpr const char* kPreparing = "准备中…";
constexpr const char* kRequestingMicrophone = "请求麦克风权限…";
constexpr const char* kStartingRecognition = "启动识别…";
constexpr const char* kServerSuffix = " · 云端（延迟较高）";
constexpr const char* kStartFailedPrefix = "启动失败：";
constexpr const char* kFallingBackToServer = "本机模型未就绪，改用云端…";
constexpr const char* kRecognitionErrorPrefix = "识别错误：";
constexpr const char* kTooManyRestarts = "识别已停止（多次重启）";

constexpr double kJumpCharacters = 20;
constexpr double kLeadWindowSeconds = 0.85;
constexpr double kApproachPerSecond = 18;

int64_t countCJKTokens(const std::vector<ScriptToken>& tokens)
{
    return std::count_if(tokens.begin(), tokens.end(), [](const ScriptToken& t) { return containsCJKScalar(t.text); });
}

// Keeps a dropped recogniser alive until the current callback stack has unwound: it may be
// the very object whose callback is running.
template<typename T>
void releaseLater(MainLoop& loop, std::unique_ptr<T> object)
{
    if (!object)
        return;
    std::shared_ptr<T> held(std::move(object));
    loop.post([held] {});
}

} // namespace

VoiceFollowController::VoiceFollowController(VoiceFollowServices services)
    : m_services(std::move(services))
    , m_lastBaseAdvance(m_services.loop.now())
    , m_lastTick(m_services.loop.now())
{
}

VoiceFollowController::~VoiceFollowController()
{
    m_alive.reset();
    m_displayTask.cancel();
    m_restartTask.cancel();
    m_whisperStartTask.cancel();
    ++m_recognizerGeneration;
    if (m_engine)
        m_engine->stop();
    if (m_whisperEngine)
        m_whisperEngine->stop();
}

double VoiceFollowController::uptime() const
{
    return toSeconds(m_services.loop.now().time_since_epoch());
}

std::string VoiceFollowController::prepareScript(const std::string& text)
{
    std::string result;
    std::string_view rest = text;
    while (true) {
        const size_t lineBreak = rest.find('\n');
        std::string_view line = rest.substr(0, lineBreak);
        // "\r\n" counts as a line break. A carriage return left over at a line's end
        // ("\r\r\n") is dropped too: beside the joining "\n" it would fuse into one
        // character and put every later offset off by one.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (!line.empty()) {
            if (!result.empty())
                result += '\n';
            result += line;
        }
        if (lineBreak == std::string_view::npos)
            break;
        rest.remove_prefix(lineBreak + 1);
    }
    return result;
}

RecognitionChoice VoiceFollowController::recognitionChoice(VoiceEngine engine, const std::vector<ScriptToken>& tokens)
{
    switch (engine) {
    case VoiceEngine::appleZh:
        return { "zh-CN", false };
    case VoiceEngine::appleEn:
        return { "en-US", false };
    case VoiceEngine::whisperMixed:
        return { "auto", true };
    case VoiceEngine::automatic:
        break;
    }
    const int64_t cjk = countCJKTokens(tokens);
    const int64_t total = std::max<int64_t>(1, static_cast<int64_t>(tokens.size()));
    return 2 * cjk < total ? RecognitionChoice { "en-US", false } : RecognitionChoice { "zh-CN", false };
}

std::string VoiceFollowController::whisperLanguage(const std::vector<ScriptToken>& tokens)
{
    return 2 * countCJKTokens(tokens) < static_cast<int64_t>(tokens.size()) ? "en" : "zh";
}

int64_t VoiceFollowController::currentLineIndex() const
{
    if (m_lines.empty())
        return 0;
    const auto x = static_cast<int64_t>(std::round(m_displayCharOffset.get()));
    if (m_lines.size() == 1 || x < m_lineStartOffsets.front())
        return 0;
    const auto it = std::upper_bound(m_lineStartOffsets.begin(), m_lineStartOffsets.end(), x);
    return static_cast<int64_t>(it - m_lineStartOffsets.begin()) - 1;
}

int64_t VoiceFollowController::confirmedCharOffset() const
{
    const int64_t cursor = m_cursor.get();
    if (cursor <= 0 || m_scriptTokens.empty())
        return 0;
    const auto index = std::min<int64_t>(cursor, static_cast<int64_t>(m_scriptTokens.size())) - 1;
    return m_scriptTokens[static_cast<size_t>(index)].end;
}

void VoiceFollowController::loadScript(const std::string& text)
{
    const std::string prepared = prepareScript(text);
    m_scriptCharacterCount = characterCount(prepared);
    m_scriptTokens = tokenize(prepared);
    std::vector<std::string> keys;
    keys.reserve(m_scriptTokens.size());
    for (const auto& token : m_scriptTokens)
        keys.push_back(token.text);
    m_aligner = std::make_unique<AlignmentEngine>(std::move(keys), AlignmentConfig { 12, 4, 3 });
    m_cursor = 0;
    m_baseCharOffset = 0;
    m_displayCharOffset = 0.0;
    m_scrollCharOffset = 0.0;
    m_followReset = Uuid::create();
    m_charRateEMA = 0;
    m_lastBaseAdvance = m_services.loop.now();

    m_lines.clear();
    m_lineStartOffsets.clear();
    if (prepared.empty())
        return;
    std::string_view rest = prepared;
    int64_t start = 0;
    while (true) {
        const size_t lineBreak = rest.find('\n');
        const std::string_view line = rest.substr(0, lineBreak);
        m_lines.emplace_back(line);
        m_lineStartOffsets.push_back(start);
        start += characterCount(line) + 1;
        if (lineBreak == std::string_view::npos)
            break;
        rest.remove_prefix(lineBreak + 1);
    }
}

void VoiceFollowController::start(const std::string& script, const std::string& localeID, bool useLocalRecognizer)
{
    // A start while following replaces that run: one recogniser at a time, and nothing
    // left listening or drawing should this start end early.
    const uint64_t generation = ++m_startGeneration;
    m_restartTask.cancel();
    m_whisperStartTask.cancel();
    dropRecognizers();
    m_isListening = false;
    m_displayRunning = false;
    m_displayTask.cancel();

    m_localeID = localeID;
    m_previousRecognitionTime.reset();
    m_services.diagnostics.log(FollowEventKind::session, { { "whisper", useLocalRecognizer ? 1.0 : 0.0 } });
    m_restartCount = 0;
    m_triedServer = false;
    m_hasText = false;
    m_hint = std::string();
    m_status = std::string(kPreparing);

    loadScript(script);
    if (m_scriptTokens.empty()) {
        m_status = m_services.localization.text(LK::vfNoScript);
        return;
    }
    m_status = std::string(kRequestingMicrophone);
    std::weak_ptr<bool> alive = m_alive;
    m_services.permissions.requestMicrophoneAccess([this, alive, generation, useLocalRecognizer](bool granted) {
        if (alive.expired() || generation != m_startGeneration)
            return; // stopped or restarted while the question was open
        microphoneAnswered(granted, useLocalRecognizer);
    });
}

void VoiceFollowController::microphoneAnswered(bool granted, bool useLocalRecognizer)
{
    if (!granted) {
        m_status = m_services.localization.text(LK::vfPermissionDenied) + "  [mic:false]";
        return;
    }
    if (useLocalRecognizer) {
        m_displayRunning = true;
        startDisplayLoop();
        startLocalRecognizer();
        return;
    }
    const uint64_t generation = m_startGeneration;
    std::weak_ptr<bool> alive = m_alive;
    m_services.permissions.requestSpeechAuthorization([this, alive, generation](bool granted) {
        if (alive.expired() || generation != m_startGeneration)
            return;
        speechAnswered(granted);
    });
}

void VoiceFollowController::speechAnswered(bool granted)
{
    if (!granted) {
        m_status = m_services.localization.text(LK::vfPermissionDenied) + "  [speech:false]";
        return;
    }
    m_displayRunning = true;
    startDisplayLoop();
    m_status = std::string(kStartingRecognition);
    startSystemRecognizer();
}

void VoiceFollowController::startSystemRecognizer()
{
    m_aggressiveLead = false;
    const bool requireOnDevice = !m_triedServer;
    auto engine = m_services.systemEngines.create(m_localeID, requireOnDevice);
    const bool available = engine && engine->isAvailable();
    const bool supportsOnDevice = available && engine->supportsOnDevice();
    m_services.diagnostics.log(FollowEventKind::engine,
        { { "phase", 0 }, { "requireOnDevice", requireOnDevice ? 1.0 : 0.0 },
            { "supportsOnDevice", supportsOnDevice ? 1.0 : 0.0 }, { "available", available ? 1.0 : 0.0 } });
    if (!available) {
        m_status = m_services.localization.text(LK::vfUnavailable) + " [recognizer=nil]";
        return;
    }

    const uint64_t generation = ++m_recognizerGeneration;
    std::weak_ptr<bool> alive = m_alive;
    auto current = [this, alive, generation] { return !alive.expired() && generation == m_recognizerGeneration; };
    engine->onText = [this, current](const std::string& text) {
        if (current())
            handleRecognition(text);
    };
    engine->onEnded = [this, current](std::optional<SpeechError> error) {
        if (current())
            handleEnded(std::move(error));
    };
    engine->onLevel = [this, current](float level) {
        if (current())
            m_audioLevel = level;
    };

    if (auto error = engine->start()) {
        m_services.diagnostics.log(FollowEventKind::engine,
            { { "phase", 2 }, { "requireOnDevice", requireOnDevice ? 1.0 : 0.0 },
                { "supportsOnDevice", supportsOnDevice ? 1.0 : 0.0 }, { "errorCode", static_cast<double>(error->code) } });
        ++m_recognizerGeneration;
        engine->stop();
        engine.reset();
        if (!requireOnDevice || m_triedServer) {
            m_isListening = false;
            m_status = kStartFailedPrefix + error->describe();
            return;
        }
        m_triedServer = true;
        startSystemRecognizer();
        return;
    }

    if (m_aligner)
        m_aligner->resetSession();
    m_engine = std::move(engine);
    m_isListening = true;
    m_hasText = false;
    m_onDevice = !m_triedServer && supportsOnDevice;
    m_services.diagnostics.log(FollowEventKind::engine, { { "phase", 1 }, { "onDevice", m_onDevice.get() ? 1.0 : 0.0 } });
    const std::string listening = m_services.localization.text(LK::vfListening);
    if (m_onDevice.get()) {
        m_status = listening + " · " + m_services.localization.text(LK::vfOnDevice);
        m_hint = std::string();
    } else {
        m_status = listening + kServerSuffix;
        m_hint = m_services.localization.text(LK::vfEnableDictationHint);
    }
}

void VoiceFollowController::startLocalRecognizer()
{
    m_isListening = true;
    m_onDevice = true;
    m_aggressiveLead = true;
    const std::string language = whisperLanguage(m_scriptTokens);
    auto engine = std::make_unique<LocalSpeechEngine>(
        m_services.loop, m_services.localEngines, m_services.resourcesDir, m_services.diagnostics);
    const uint64_t generation = ++m_recognizerGeneration;
    std::weak_ptr<bool> alive = m_alive;
    auto current = [this, alive, generation] { return !alive.expired() && generation == m_recognizerGeneration; };
    engine->onStatus = [this, current](const std::string& text) {
        if (current())
            m_status = text;
    };
    engine->onFailure = [this, current](const std::string& text) {
        if (!current())
            return;
        const std::string failure = text;
        stop();
        m_status = failure;
    };
    engine->onText = [this, current](const std::string& text) {
        if (current())
            handleRecognition(text);
    };
    engine->onLevel = [this, current](float level) {
        if (current())
            m_audioLevel = level;
    };
    m_whisperEngine = std::move(engine);
    m_whisperStartTask = m_services.loop.schedule(Duration::zero(), [this, current, language] {
        if (current() && m_whisperEngine)
            m_whisperEngine->start(language);
    });
}

void VoiceFollowController::handleRecognition(const std::string& text)
{
    const double t = uptime();
    const int64_t before = m_cursor.get();
    ++m_diagnosticSequence;
    m_diagnosticRecognitionTime = t;
    m_recognizedText = text;
    if (!text.empty()) {
        m_hasText = true;
        m_restartCount = 0;
    }
    if (!m_aligner)
        return;
    const auto keys = tokenKeys(text);
    const int64_t updated = m_aligner->update(keys);
    if (updated != m_cursor.get()) {
        m_cursor = updated;
        advanceBase();
    }
    m_services.diagnostics.log(FollowEventKind::recognition,
        { { "sequence", static_cast<double>(m_diagnosticSequence) },
            { "callbackGapMs", m_previousRecognitionTime ? (t - *m_previousRecognitionTime) * 1000 : -1.0 },
            { "processingMs", (uptime() - t) * 1000 }, { "before", static_cast<double>(before) },
            { "after", static_cast<double>(m_cursor.get()) }, { "tokenCount", static_cast<double>(keys.size()) },
            { "onDevice", m_onDevice.get() ? 1.0 : 0.0 }, { "decision", static_cast<double>(m_aligner->decision()) },
            { "matchedLength", static_cast<double>(m_aligner->matchedLength()) } });
    m_previousRecognitionTime = t;
}

void VoiceFollowController::advanceBase()
{
    const int64_t cursor = m_cursor.get();
    const double c = cursor < 1 ? 0.0
                                : static_cast<double>(m_scriptTokens[static_cast<size_t>(
                                                         std::min<int64_t>(static_cast<int64_t>(m_scriptTokens.size()), cursor) - 1)]
                                          .end);
    const MonotonicTime now = m_services.loop.now();
    const double dt = toSeconds(now - m_lastBaseAdvance);
    const double diff = c - m_baseCharOffset;
    if (diff > 0 && diff <= kJumpCharacters && dt > 0.05 && dt < 2) {
        const double rate = std::min(diff / dt, 12.0);
        m_charRateEMA = m_charRateEMA == 0 ? rate : 0.3 * rate + 0.7 * m_charRateEMA;
    }
    if (dt >= 2 || diff > kJumpCharacters)
        m_charRateEMA = 0; // a pause or a jump: the old rate says nothing now
    m_lastBaseAdvance = now;
    if (c < m_baseCharOffset) {
        m_rereadRevision = m_rereadRevision.get() + 1;
        m_displayCharOffset = c;
        m_scrollCharOffset = c;
        m_charRateEMA = 0;
    }
    if (diff > kJumpCharacters) {
        // A jump is shown at once rather than animated.
        m_displayCharOffset = c;
        m_scrollCharOffset = c;
    }
    m_baseCharOffset = c;
}

void VoiceFollowController::startDisplayLoop()
{
    if (m_displayTask.isPending())
        return;
    m_lastTick = m_services.loop.now();
    m_displayTask = m_services.loop.schedule(kDisplayInterval, [this] { displayTick(); });
}

void VoiceFollowController::displayTick()
{
    if (!m_displayRunning)
        return;
    const MonotonicTime now = m_services.loop.now();
    const double dt = std::min(toSeconds(now - m_lastTick), 0.1);
    m_lastTick = now;
    double lead = 0;
    if (toSeconds(now - m_lastBaseAdvance) < kLeadWindowSeconds) {
        const double k = m_aggressiveLead ? 0.75 : 0.4;
        const double cap = m_aggressiveLead ? 12 : 6;
        lead = std::min(k * m_charRateEMA, cap);
    }
    const double display = m_displayCharOffset.get();
    const double nextDisplay = display + std::min(kApproachPerSecond * dt, 1.0) * (m_baseCharOffset - display);
    if (nextDisplay != display)
        m_displayCharOffset = nextDisplay;
    const double target = std::min(m_baseCharOffset + lead, static_cast<double>(m_scriptCharacterCount));
    if (target > m_scrollCharOffset.get())
        m_scrollCharOffset = target;
    m_displayTask = m_services.loop.schedule(kDisplayInterval, [this] { displayTick(); });
}

void VoiceFollowController::handleEnded(std::optional<SpeechError> error)
{
    if (!m_isListening.get())
        return;
    ++m_recognizerGeneration;
    if (m_engine)
        m_engine->stop();
    releaseLater(m_services.loop, std::move(m_engine));

    if (error) {
        m_services.diagnostics.log(FollowEventKind::engine,
            { { "phase", 3 }, { "onDevice", m_onDevice.get() ? 1.0 : 0.0 }, { "hasText", m_hasText ? 1.0 : 0.0 },
                { "errorCode", static_cast<double>(error->code) } });
        if (m_onDevice.get() && !m_triedServer && !m_hasText) {
            m_triedServer = true;
            m_status = std::string(kFallingBackToServer);
            startSystemRecognizer();
            return;
        }
        m_isListening = false;
        m_audioLevel = 0.0f;
        m_status = kRecognitionErrorPrefix + error->describe();
        return;
    }

    ++m_restartCount;
    if (m_restartCount > kMaxSilentRestarts) {
        m_isListening = false;
        m_status = std::string(kTooManyRestarts);
        return;
    }
    std::weak_ptr<bool> alive = m_alive;
    m_restartTask = m_services.loop.schedule(kRestartDelay, [this, alive] {
        if (!alive.expired() && m_isListening.get())
            startSystemRecognizer();
    });
}

void VoiceFollowController::dropRecognizers()
{
    ++m_recognizerGeneration;
    if (m_engine)
        m_engine->stop();
    releaseLater(m_services.loop, std::move(m_engine));
    if (m_whisperEngine)
        m_whisperEngine->stop();
    releaseLater(m_services.loop, std::move(m_whisperEngine));
}

void VoiceFollowController::stop()
{
    m_services.diagnostics.log(FollowEventKind::stopped);
    ++m_startGeneration;
    m_isListening = false;
    m_displayRunning = false;
    m_displayTask.cancel();
    m_restartTask.cancel();
    m_whisperStartTask.cancel();
    dropRecognizers();
    m_audioLevel = 0.0f;
    m_status = m_services.localization.text(LK::vfReady);
}

} // namespace tavilo
