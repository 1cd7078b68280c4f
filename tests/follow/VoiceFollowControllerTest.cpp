#include "FakeSystemSpeech.h"
#include "FakeWordTimedEngine.h"

#include "TempDir.h"
#include "base/DurableFile.h"
#include "base/NotificationCenter.h"
#include "base/PreferencesStore.h"
#include "follow/PhoneticKey.h"
#include "follow/ScriptTokenizer.h"
#include "follow/VoiceFollowController.h"
#include "strings/LocalizationManager.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

using namespace tavilo;
using namespace tavilo::testing_support;
using namespace std::chrono_literals;

namespace {

// Chinese characters that all sound different, so every run of five identifies one place.
std::string distinctSoundScript(size_t count)
{
    std::string script;
    std::set<std::string> keys;
    for (char32_t c = 0x4E00; keys.size() < count; ++c) {
        std::string character;
        character += static_cast<char>(0xE0 | (c >> 12));
        character += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        character += static_cast<char>(0x80 | (c & 0x3F));
        const auto key = phoneticKey(character);
        if (key == character || !keys.insert(key).second)
            continue;
        script += character;
    }
    return script;
}

// The first n characters of a text of three-byte characters.
std::string firstCharacters(const std::string& text, size_t n) { return text.substr(0, 3 * n); }
std::string characters(const std::string& text, size_t from, size_t to) { return text.substr(3 * from, 3 * (to - from)); }

struct ControllerFixture : testing::Test {
    ControllerFixture()
        : localization(preferences, notifications)
        , controller(VoiceFollowServices { loop, localization, systemEngines, permissions, localEngines, resources.path(),
              diagnostics })
    {
    }
    // Dropped recognisers are released by a posted task; let it run while their factory
    // still exists.
    ~ControllerFixture() override { loop.runPending(); }

    std::string text(LK key) const { return localization.text(key); }
    FakeSystemEngine& engine()
    {
        auto* running = systemEngines.running();
        EXPECT_NE(running, nullptr);
        return *running;
    }
    bool displayLoopRunning() { return loop.pendingTimerCount() > 0; }

    ManualLoop loop;
    PreferencesStore preferences;
    NotificationCenter notifications;
    LocalizationManager localization;
    TempDir resources;
    FakeSystemFactory systemEngines;
    FakePermissions permissions;
    FakeEngineFactory localEngines;
    FollowDiagnostics diagnostics;
    VoiceFollowController controller;
    const std::string script = distinctSoundScript(120);
};

TEST(VoiceFollowControllerStatic, PrepareScript)
{
    EXPECT_EQ(VoiceFollowController::prepareScript("A\r\n\r\n  B  "), "A\nB");
    EXPECT_EQ(VoiceFollowController::prepareScript("\t x \n\n y\r\r\n z"), "x\ny\nz");
    EXPECT_EQ(VoiceFollowController::prepareScript(" \n\t\n"), "");
}

TEST(VoiceFollowControllerStatic, RecognitionChoice)
{
    using Choice = RecognitionChoice;
    const auto threeAndThree = tokenize("中文字 one two three");
    const auto twoAndThree = tokenize("中文 one two three");
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::automatic, threeAndThree), (Choice { "zh-CN", false }));
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::automatic, twoAndThree), (Choice { "en-US", false }));
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::automatic, {}), (Choice { "en-US", false }));
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::appleZh, twoAndThree), (Choice { "zh-CN", false }));
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::appleEn, threeAndThree), (Choice { "en-US", false }));
    EXPECT_EQ(VoiceFollowController::recognitionChoice(VoiceEngine::whisperMixed, {}), (Choice { "auto", true }));
    EXPECT_EQ(VoiceFollowController::whisperLanguage(threeAndThree), "zh");
    EXPECT_EQ(VoiceFollowController::whisperLanguage(twoAndThree), "en");
}

TEST_F(ControllerFixture, LoadingPreparesLinesAndOffsets)
{
    controller.start("A\r\n\r\n  B  ", "zh-CN", false);
    EXPECT_EQ(controller.lines(), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(controller.lineStartOffsets(), (std::vector<int64_t> { 0, 2 }));
    EXPECT_EQ(controller.scriptCharacterCount(), 3);
    EXPECT_EQ(controller.currentLineIndex(), 0);
    EXPECT_EQ(controller.confirmedCharOffset(), 0);
}

TEST_F(ControllerFixture, NoScriptEndsBeforeAnyPermission)
{
    for (const std::string empty : { "", " \n\t \r\n" }) {
        controller.start(empty, "zh-CN", false);
        EXPECT_EQ(controller.status().get(), text(LK::vfNoScript));
        EXPECT_FALSE(controller.isListening().get());
    }
    EXPECT_EQ(permissions.microphoneRequests, 0);
    EXPECT_FALSE(displayLoopRunning());
}

TEST_F(ControllerFixture, DeniedPermissions)
{
    permissions.microphone = false;
    controller.start(script, "zh-CN", false);
    EXPECT_EQ(controller.status().get(), text(LK::vfPermissionDenied) + "  [mic:false]");
    EXPECT_EQ(permissions.speechRequests, 0);

    permissions.microphone = true;
    permissions.speech = false;
    controller.start(script, "zh-CN", false);
    EXPECT_EQ(controller.status().get(), text(LK::vfPermissionDenied) + "  [speech:false]");
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_FALSE(displayLoopRunning());
    EXPECT_TRUE(systemEngines.creations.empty());
}

TEST_F(ControllerFixture, ListensOnDevice)
{
    std::vector<std::string> statuses;
    auto subscription = controller.status().observeChanges([&](const std::string& s) { statuses.push_back(s); });
    controller.start(script, "zh-CN", false);
    EXPECT_EQ(statuses, (std::vector<std::string> { "准备中…", "请求麦克风权限…", "启动识别…",
                            text(LK::vfListening) + " · " + text(LK::vfOnDevice) }));
    EXPECT_TRUE(controller.isListening().get());
    EXPECT_TRUE(controller.onDevice().get());
    EXPECT_EQ(controller.hint().get(), "");
    EXPECT_EQ(systemEngines.creations, (std::vector<std::pair<std::string, bool>> { { "zh-CN", true } }));
    EXPECT_TRUE(displayLoopRunning());
}

TEST_F(ControllerFixture, FallsBackToServerWhenOnDeviceCannotStart)
{
    systemEngines.defaultPlan.supportsOnDevice = false;
    controller.start(script, "en-US", false);
    EXPECT_EQ(systemEngines.creations, (std::vector<std::pair<std::string, bool>> { { "en-US", true }, { "en-US", false } }));
    EXPECT_TRUE(controller.isListening().get());
    EXPECT_FALSE(controller.onDevice().get());
    EXPECT_EQ(controller.status().get(), text(LK::vfListening) + " · 云端（延迟较高）");
    EXPECT_EQ(controller.hint().get(), text(LK::vfEnableDictationHint));
}

TEST_F(ControllerFixture, FailureTable)
{
    const SpeechError micError { "Tavilo", 3, "No microphone input (sample rate 0)." };
    struct Case {
        const char* name;
        std::deque<FakeSystemFactory::Plan> plans;
        std::string status;
    };
    const std::vector<Case> cases = {
        { "no recogniser", { { false, false, std::nullopt } }, text(LK::vfUnavailable) + " [recognizer=nil]" },
        { "start fails after the server retry", { { true, true, micError }, { true, true, micError } },
            "启动失败：Tavilo 3: No microphone input (sample rate 0)." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        systemEngines.plans = c.plans;
        controller.start(script, "zh-CN", false);
        EXPECT_EQ(controller.status().get(), c.status);
        EXPECT_FALSE(controller.isListening().get());
        EXPECT_TRUE(displayLoopRunning());
        controller.stop();
    }
}

TEST_F(ControllerFixture, RunFailures)
{
    const SpeechError runError { "kAFAssistantErrorDomain", 1110, "No speech detected" };
    // On device, before any text: one switch to the server.
    controller.start(script, "zh-CN", false);
    engine().end(runError);
    EXPECT_EQ(controller.status().get(), text(LK::vfListening) + " · 云端（延迟较高）");
    EXPECT_EQ(systemEngines.creations.back(), (std::pair<std::string, bool> { "zh-CN", false }));
    EXPECT_TRUE(controller.isListening().get());

    // Any other failure stops listening, the display loop keeps running.
    engine().say(firstCharacters(script, 6));
    engine().end(runError);
    EXPECT_EQ(controller.status().get(), "识别错误：kAFAssistantErrorDomain 1110: No speech detected");
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_EQ(controller.audioLevel().get(), 0.0f);
    EXPECT_TRUE(displayLoopRunning());
    EXPECT_EQ(systemEngines.running(), nullptr);
    loop.runPending();
    EXPECT_TRUE(systemEngines.live.empty()); // the dropped recognisers are released
}

TEST_F(ControllerFixture, SilentRestartsStopAtTheSixtieth)
{
    controller.start(script, "zh-CN", false);
    auto endSilently = [&](int runs) {
        for (int i = 0; i < runs; ++i) {
            engine().end();
            loop.advance(250ms);
        }
    };
    endSilently(30);
    engine().say(firstCharacters(script, 1)); // one recognised word starts the count again
    endSilently(59);
    EXPECT_TRUE(controller.isListening().get());
    EXPECT_EQ(systemEngines.creations.size(), 1u + 30 + 59);
    engine().end();
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_EQ(controller.status().get(), "识别已停止（多次重启）");
    loop.advance(1s);
    EXPECT_EQ(systemEngines.creations.size(), 1u + 30 + 59);
}

TEST_F(ControllerFixture, RestartWaitsAQuarterSecond)
{
    controller.start(script, "zh-CN", false);
    engine().end();
    loop.advance(240ms);
    EXPECT_EQ(systemEngines.creations.size(), 1u);
    loop.advance(10ms);
    EXPECT_EQ(systemEngines.creations.size(), 2u);
    EXPECT_NE(systemEngines.running(), nullptr);
}

TEST_F(ControllerFixture, StopKeepsThePositionAndSilencesEverything)
{
    controller.start(script, "zh-CN", false);
    engine().say(firstCharacters(script, 10));
    ASSERT_EQ(controller.cursor().get(), 10);
    engine().end();
    controller.stop(); // the pending restart must not happen
    EXPECT_EQ(controller.status().get(), text(LK::vfReady));
    EXPECT_FALSE(controller.isListening().get());
    loop.advance(1s);
    EXPECT_EQ(systemEngines.creations.size(), 1u);
    EXPECT_EQ(loop.pendingTimerCount(), 0u);
    EXPECT_EQ(controller.cursor().get(), 10);
    EXPECT_EQ(controller.confirmedCharOffset(), 10);
}

TEST_F(ControllerFixture, StartWhileListeningReplacesTheRun)
{
    controller.start(script, "zh-CN", false);
    FakeSystemEngine* first = &engine();
    controller.start("  \n", "zh-CN", false);
    EXPECT_TRUE(first->stopped);
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_EQ(controller.status().get(), text(LK::vfNoScript));
    EXPECT_FALSE(displayLoopRunning());
}

TEST_F(ControllerFixture, StopWhilePermissionIsAskedWins)
{
    permissions.deferred = true;
    controller.start(script, "zh-CN", false);
    controller.stop();
    permissions.pendingMicrophone(true);
    EXPECT_TRUE(systemEngines.creations.empty());
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_EQ(controller.status().get(), text(LK::vfReady));
}

TEST_F(ControllerFixture, ThirtyCharacterMoveSnapsBothOffsets)
{
    controller.start(script, "zh-CN", false);
    engine().say(firstCharacters(script, 10));
    loop.advance(2s);
    EXPECT_NEAR(controller.displayCharOffset().get(), 10, 1e-6);
    engine().say(firstCharacters(script, 40));
    EXPECT_EQ(controller.cursor().get(), 40);
    EXPECT_EQ(controller.displayCharOffset().get(), 40);
    EXPECT_EQ(controller.scrollCharOffset().get(), 40);
    EXPECT_EQ(controller.charRateEMA(), 0);
}

TEST_F(ControllerFixture, BackwardMoveIsAReread)
{
    controller.start(script, "zh-CN", false);
    engine().say(firstCharacters(script, 40));
    loop.advance(1s);
    engine().end();
    loop.advance(250ms);
    engine().say(characters(script, 20, 30)); // a new run: the speaker went back
    EXPECT_EQ(controller.cursor().get(), 30);
    EXPECT_EQ(controller.rereadRevision().get(), 1);
    EXPECT_EQ(controller.displayCharOffset().get(), 30);
    EXPECT_EQ(controller.scrollCharOffset().get(), 30);
}

TEST_F(ControllerFixture, LeadFollowsTheReadingRateAndLapses)
{
    controller.start(script, "zh-CN", false);
    size_t read = 10;
    engine().say(firstCharacters(script, read));
    for (int step = 0; step < 6; ++step) {
        loop.advance(500ms);
        read += 5; // ten characters a second
        engine().say(firstCharacters(script, read));
    }
    EXPECT_NEAR(controller.charRateEMA(), 10, 1e-9);
    loop.advance(20ms);
    EXPECT_NEAR(controller.scrollCharOffset().get(), static_cast<double>(read) + 4, 1e-9);
    EXPECT_EQ(controller.currentLineIndex(), 0);

    // No move for 0.85 s: the lead is gone, but the scroll target never moves back.
    loop.advance(1s);
    EXPECT_NEAR(controller.scrollCharOffset().get(), static_cast<double>(read) + 4, 1e-9);
    EXPECT_NEAR(controller.displayCharOffset().get(), static_cast<double>(read), 1e-6);
}

TEST_F(ControllerFixture, RateIsCappedAtTwelveCharactersPerSecond)
{
    controller.start(script, "zh-CN", false);
    size_t read = 10;
    engine().say(firstCharacters(script, read));
    for (int step = 0; step < 5; ++step) {
        loop.advance(1s);
        read += 20;
        engine().say(firstCharacters(script, read));
    }
    EXPECT_NEAR(controller.charRateEMA(), 12, 1e-9);
    loop.advance(16ms);
    EXPECT_NEAR(controller.scrollCharOffset().get() - static_cast<double>(read), 4.8, 1e-9);
}

// The local recogniser: its words are timed at ten characters a second of audio.
TEST_F(ControllerFixture, LocalRecognizerLeadsFurther)
{
    auto speech = std::make_shared<FakeWordTimedEngine>();
    const std::string text = script;
    speech->setResponder([text](const std::vector<float>& samples) {
        // Character i is spoken over samples [1600 i, 1600 (i + 1)).
        const auto windowStart = static_cast<int64_t>(samples.front());
        const auto windowEnd = static_cast<int64_t>(samples.back()) + 1;
        TranscriptionResult result;
        for (int64_t i = 0; (i + 1) * 1600 <= windowEnd && i < 120; ++i) {
            if (i * 1600 < windowStart)
                continue;
            const double start = static_cast<double>(i * 1600 - windowStart) / 16000.0;
            result.words.push_back({ characters(text, static_cast<size_t>(i), static_cast<size_t>(i + 1)), start, start + 0.1 });
            result.text += result.words.back().text;
        }
        return TranscriptionOutcome { { result }, std::nullopt };
    });
    controller.start(script, "auto", true);
    EXPECT_TRUE(controller.isListening().get());
    EXPECT_TRUE(controller.onDevice().get());
    loop.advance(0ms);
    ASSERT_EQ(localEngines.requests.size(), 1u);
    localEngines.complete({ speech, std::nullopt });
    loop.runPending();
    EXPECT_EQ(controller.status().get(), "聆听中…（本地语音跟随）");
    ASSERT_TRUE(speech->recorder.waitUntilRecording());

    int64_t samples = 0;
    for (int step = 0; step < 6; ++step) {
        speech->recorder.deliver(numberedSamples(samples, 8000)); // half a second
        samples += 8000;
        const auto expected = samples / 1600; // characters spoken so far
        ASSERT_TRUE(waitUntil(loop, [&] { return controller.cursor().get() == expected; })) << step;
        loop.advance(500ms);
    }
    EXPECT_NEAR(controller.charRateEMA(), 10, 1e-9);
    // The last move is half a second old: still within the lead window.
    EXPECT_NEAR(controller.scrollCharOffset().get() - controller.baseCharOffset(), 7.5, 1e-9);
    controller.stop();
    EXPECT_FALSE(speech->recorder.isRecording());
}

TEST_F(ControllerFixture, LocalRecognizerFailureStopsAndShowsIt)
{
    controller.start(script, "auto", true);
    loop.advance(0ms);
    localEngines.complete({ nullptr, SpeechError { "Model", 9, "disk full" } });
    loop.runPending();
    EXPECT_EQ(controller.status().get(), "本地语音启动失败：disk full");
    EXPECT_FALSE(controller.isListening().get());
    EXPECT_EQ(loop.pendingTimerCount(), 0u); // stopped as by stop: no display loop
}

TEST_F(ControllerFixture, CurrentLineFollowsTheHighlight)
{
    const std::string lines = characters(script, 0, 10) + "\n" + characters(script, 10, 20) + "\n" + characters(script, 20, 40);
    controller.start(lines, "zh-CN", false);
    EXPECT_EQ(controller.lineStartOffsets(), (std::vector<int64_t> { 0, 11, 22 }));
    engine().say(characters(script, 0, 16)); // 16 tokens end at character 17 (line 2)
    loop.advance(1s);
    EXPECT_EQ(controller.confirmedCharOffset(), 17);
    EXPECT_EQ(controller.currentLineIndex(), 1);
    engine().say(characters(script, 0, 30)); // a move of 15 characters glides into line 3
    EXPECT_EQ(controller.currentLineIndex(), 1);
    loop.advance(1s);
    EXPECT_EQ(controller.currentLineIndex(), 2);
}

TEST(VoiceFollowControllerDiagnostics, LogsTheSessionInOrder)
{
    ManualLoop loop;
    PreferencesStore preferences;
    NotificationCenter notifications;
    LocalizationManager localization(preferences, notifications);
    TempDir dir;
    FakeSystemFactory systemEngines;
    FakePermissions permissions;
    FakeEngineFactory localEngines;
    std::optional<std::filesystem::path> path;
    {
        FollowDiagnostics::Options options;
        options.uptime = [&loop] { return toSeconds(loop.now().time_since_epoch()); };
        FollowDiagnostics diagnostics(dir.path(), options);
        path = diagnostics.filePath();
        VoiceFollowController controller(
            VoiceFollowServices { loop, localization, systemEngines, permissions, localEngines, dir.path(), diagnostics });
        const std::string script = distinctSoundScript(20);
        controller.start(script, "zh-CN", false);
        systemEngines.running()->say(firstCharacters(script, 6));
        loop.advance(100ms);
        systemEngines.running()->say(firstCharacters(script, 8));
        controller.stop();
        diagnostics.flush();
    }
    loop.runPending();
    std::vector<nlohmann::json> records;
    std::istringstream stream(readWholeFile(*path).contents);
    for (std::string line; std::getline(stream, line);)
        records.push_back(nlohmann::json::parse(line));
    std::vector<std::string> events;
    for (const auto& r : records)
        events.push_back(r["event"]);
    EXPECT_EQ(events, (std::vector<std::string> { "session", "engine", "engine", "recognition", "recognition", "stopped" }));
    EXPECT_EQ(records[0]["values"], nlohmann::json({ { "whisper", 0 } }));
    EXPECT_EQ(records[1]["values"],
        nlohmann::json({ { "phase", 0 }, { "requireOnDevice", 1 }, { "supportsOnDevice", 1 }, { "available", 1 } }));
    EXPECT_EQ(records[2]["values"], nlohmann::json({ { "phase", 1 }, { "onDevice", 1 } }));
    EXPECT_EQ(records[3]["values"]["callbackGapMs"], -1);
    EXPECT_EQ(records[3]["values"]["after"], 6);
    EXPECT_EQ(records[3]["values"]["decision"], static_cast<int>(AlignmentDecision::uniqueSuffix));
    EXPECT_EQ(records[4]["values"]["callbackGapMs"], 100);
    EXPECT_EQ(records[4]["values"]["before"], 6);
    EXPECT_EQ(records[4]["values"]["tokenCount"], 8);
    EXPECT_EQ(records[4]["values"]["sequence"], 2);
}

} // namespace
