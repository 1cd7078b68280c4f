#include "FakeWordTimedEngine.h"

#include "TempDir.h"
#include "base/DurableFile.h"
#include "follow/LocalSpeechEngine.h"

#include <gtest/gtest.h>

#include <future>

using namespace tavilo;
using namespace tavilo::testing_support;

namespace {

struct LocalEngineFixture : testing::Test {
    LocalEngineFixture()
        : engine(std::make_shared<FakeWordTimedEngine>())
        , local(loop, factory, resources.path(), diagnostics)
    {
        local.onText = [this](const std::string& text) { events.push_back("text:" + text); };
        local.onStatus = [this](const std::string& text) { events.push_back("status:" + text); };
        local.onFailure = [this](const std::string& text) { events.push_back("failure:" + text); };
        local.onLevel = [this](float) { ++levels; };
        engine->setResponder([](const std::vector<float>& samples) {
            const double start = samples.front() / 16000.0;
            TranscriptionResult result { "你好", { { "你好", 0.1 - std::min(start, 0.1), 0.3 - std::min(start, 0.1) } } };
            return TranscriptionOutcome { { result }, std::nullopt };
        });
    }

    ManualLoop loop;
    TempDir resources;
    FakeEngineFactory factory;
    FollowDiagnostics diagnostics;
    std::shared_ptr<FakeWordTimedEngine> engine;
    LocalSpeechEngine local;
    std::vector<std::string> events;
    int levels = 0;
};

TEST_F(LocalEngineFixture, WithoutABundledModelTheModelIsObtainedFirst)
{
    local.start("zh");
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ(factory.requests[0].model, "base");
    EXPECT_FALSE(factory.requests[0].modelFolder);
    EXPECT_EQ(events, (std::vector<std::string> { "status:下载语音模型（首次，请稍候）…" }));
}

TEST_F(LocalEngineFixture, ABundledModelIsLoadedFromTheResources)
{
    const auto model = resources.path() / "WhisperBundle" / "openai_whisper-base";
    ASSERT_FALSE(writeFileAtomically(model / "config.json", "{}"));
    local.start("en");
    ASSERT_EQ(factory.requests.size(), 1u);
    EXPECT_EQ(factory.requests[0].modelFolder, std::optional(model));
    EXPECT_EQ(factory.requests[0].tokenizerFolder, std::optional(resources.path() / "WhisperBundle" / "tok"));
    EXPECT_EQ(events, (std::vector<std::string> { "status:加载本地语音模型…" }));
}

TEST_F(LocalEngineFixture, StreamsTextOnTheMainLoop)
{
    local.start("zh");
    factory.complete({ engine, std::nullopt });
    loop.runPending();
    EXPECT_EQ(events.back(), "status:聆听中…（本地语音跟随）");
    ASSERT_TRUE(engine->recorder.waitUntilRecording());
    engine->recorder.deliver(numberedSamples(0, 8000));
    ASSERT_TRUE(waitUntil(loop, [&] { return events.back() == "text:你好"; }));
    EXPECT_GT(levels, 0);
    EXPECT_EQ(engine->options().language, std::optional<std::string>("zh"));
    local.stop();
    EXPECT_FALSE(engine->recorder.isRecording());
}

TEST_F(LocalEngineFixture, StartFailuresAreReported)
{
    struct Case {
        const char* name;
        EngineCreation creation;
        std::string failure;
    };
    auto noTokenizer = std::make_shared<FakeWordTimedEngine>();
    noTokenizer->tokenizer = false;
    const std::vector<Case> cases = {
        { "creation failed", { nullptr, SpeechError { "Model", 4, "download failed" } }, "failure:本地语音启动失败：download failed" },
        { "no tokenizer", { noTokenizer, std::nullopt }, "failure:本地语音模型未就绪，请重新开始。" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        local.start("zh");
        factory.complete(c.creation);
        loop.runPending();
        EXPECT_EQ(events.back(), c.failure);
    }
}

TEST_F(LocalEngineFixture, StreamFailureIsReported)
{
    engine->recorder.startError = SpeechError { "Audio", 7, "no input device" };
    local.start("zh");
    factory.complete({ engine, std::nullopt });
    ASSERT_TRUE(waitUntil(loop, [&] { return events.back().starts_with("failure:"); }));
    EXPECT_EQ(events.back(), "failure:识别中断：no input device");
}

TEST_F(LocalEngineFixture, StoppingDuringLoadingDropsTheEngineSilently)
{
    local.start("zh");
    local.stop();
    factory.complete({ engine, std::nullopt });
    loop.runPending();
    EXPECT_EQ(events, (std::vector<std::string> { "status:下载语音模型（首次，请稍候）…" }));
    EXPECT_EQ(engine->recorder.starts, 0);
    EXPECT_EQ(engine.use_count(), 1); // nobody kept it
}

TEST_F(LocalEngineFixture, ResultsOfAStoppedRunAreDropped)
{
    // The decode finishes only after the run was stopped and a new one started.
    std::promise<void> release;
    auto released = release.get_future().share();
    engine->setResponder([released](const std::vector<float>&) {
        released.wait();
        TranscriptionResult result { "旧的", { { "旧的", 0.1, 0.3 } } };
        return TranscriptionOutcome { { result }, std::nullopt };
    });
    local.start("zh");
    factory.complete({ engine, std::nullopt });
    loop.runPending();
    ASSERT_TRUE(engine->recorder.waitUntilRecording());
    engine->recorder.deliver(numberedSamples(0, 8000));
    ASSERT_TRUE(waitUntil(loop, [&] { return engine->decodes >= 1; }));
    local.stop();
    local.start("zh");
    events.clear();
    release.set_value();
    // The old stream notices it was stopped once its decode returns, and ends.
    ASSERT_TRUE(waitUntil(loop, [&] { return engine->recorder.stops >= 2; }));
    loop.runPending();
    EXPECT_TRUE(events.empty());
}

TEST(LocalSpeechEngine, DestroyedWhileCallbacksAreQueued)
{
    ManualLoop loop;
    TempDir resources;
    FakeEngineFactory factory;
    FollowDiagnostics diagnostics;
    int calls = 0;
    {
        LocalSpeechEngine local(loop, factory, resources.path(), diagnostics);
        local.onStatus = [&](const std::string&) { ++calls; };
        local.start("zh");
    }
    factory.complete({ std::make_shared<FakeWordTimedEngine>(), std::nullopt });
    loop.runPending();
    EXPECT_EQ(calls, 1);
}

} // namespace
