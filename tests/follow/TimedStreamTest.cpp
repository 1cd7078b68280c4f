#include "FakeWordTimedEngine.h"

#include "follow/TimedAudioBuffer.h"
#include "follow/TimedTranscriptGate.h"
#include "follow/TimedTranscriptionStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace tavilo;
using namespace tavilo::testing_support;
using Word = TimedTranscriptGate::Word;

namespace {

TEST(TimedAudioBuffer, KeepsTheNewestSamplesAndCountsAll)
{
    TimedAudioBuffer buffer(10);
    buffer.append(numberedSamples(0, 25)); // one chunk above the capacity
    auto snapshot = buffer.snapshot();
    EXPECT_EQ(snapshot.total, 25);
    EXPECT_EQ(snapshot.samples, numberedSamples(15, 10));
    buffer.append(numberedSamples(25, 3)); // a full buffer drops the oldest three
    snapshot = buffer.snapshot();
    EXPECT_EQ(snapshot.total, 28);
    EXPECT_EQ(snapshot.samples, numberedSamples(18, 10));
    // The first sample is sample number total − size.
    EXPECT_EQ(static_cast<int64_t>(snapshot.samples.front()), snapshot.total - 10);
}

TEST(TimedAudioBuffer, DefaultCapacityIsTwelveSeconds)
{
    TimedAudioBuffer buffer;
    EXPECT_EQ(buffer.capacity(), 192000);
    buffer.append(numberedSamples(0, 200000));
    buffer.append(numberedSamples(200000, 100));
    const auto snapshot = buffer.snapshot();
    EXPECT_EQ(snapshot.total, 200100);
    ASSERT_EQ(snapshot.samples.size(), 192000u);
    EXPECT_EQ(snapshot.samples.front(), 8100.0f);
    EXPECT_EQ(snapshot.samples.back(), 200099.0f);
}

struct GateCase {
    const char* name;
    std::vector<Word> words;
    double frontier;
    std::optional<std::string> emitted;
};

void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

class GateTable : public testing::TestWithParam<GateCase> { };

TEST_P(GateTable, CleansAndEmits)
{
    TimedTranscriptGate gate;
    EXPECT_EQ(gate.accept(GetParam().words, GetParam().frontier), GetParam().emitted);
}

INSTANTIATE_TEST_SUITE_P(TimedTranscriptGate, GateTable,
    testing::Values(GateCase { "markerRemovedTextNotTrimmed", { { " hello<|en|>", 0.1, 0.5 } }, 2.0, " hello" },
        GateCase { "markerOnlyWordsDropped", { { "<|0.00|>", 0.0, 0.2 }, { "<|en|><|zh|>", 0.2, 0.4 } }, 2.0, std::nullopt },
        GateCase { "blankDropped", { { " \n\u3000", 0.1, 0.5 }, { "ok", 0.5, 0.6 } }, 2.0, "ok" },
        GateCase { "startAtFrontierDropped", { { "a", 0.1, 0.5 }, { "b", 2.0, 2.5 } }, 2.0, "a" },
        GateCase { "endNotAfterStartDropped", { { "a", 0.5, 0.5 }, { "b", 0.7, 0.6 } }, 2.0, std::nullopt },
        GateCase { "notFiniteDropped", { { "a", std::nan(""), 0.5 }, { "b", -0.1, 0.5 } }, 2.0, std::nullopt },
        GateCase { "noFrontier", { { "a", 0.1, 0.5 } }, 0.0, std::nullopt },
        GateCase { "nanFrontier", { { "a", 0.1, 0.5 } }, std::nan(""), std::nullopt },
        GateCase { "wordsJoinedWithoutSeparator", { { "你", 0.1, 0.3 }, { "好", 0.3, 0.5 }, { " AI", 0.5, 0.8 } }, 2.0, "你好 AI" }),
    [](const testing::TestParamInfo<GateCase>& info) { return std::string(info.param.name); });

TEST(TimedTranscriptGate, WordEndingAfterTheFrontierIsCutThere)
{
    TimedTranscriptGate gate;
    EXPECT_EQ(gate.accept({ { "a", 1.0, 3.0 } }, 2.0), std::optional<std::string>("a"));
    EXPECT_DOUBLE_EQ(gate.audioFrontier, 2.0);
}

TEST(TimedTranscriptGate, EmitsOnlyWhenTheTranscriptAdvancesMoreThanSixtyMilliseconds)
{
    for (auto [advance, emissions] : std::vector<std::pair<double, int>> { { 0.05, 1 }, { 0.07, 2 } }) {
        TimedTranscriptGate gate;
        int count = 0;
        count += gate.accept({ { "a", 0.5, 1.0 } }, 5.0).has_value();
        count += gate.accept({ { "a", 0.5, 1.0 }, { "b", 1.0, 1.0 + advance } }, 5.0).has_value();
        EXPECT_EQ(count, emissions) << advance;
    }
}

TEST(TimedTranscriptGate, EmitsTheLastSixSecondsOnly)
{
    TimedTranscriptGate gate;
    std::vector<Word> words;
    for (int i = 0; i < 40; ++i) // 20 s of half-second words
        words.push_back({ std::to_string(i) + " ", i * 0.5, i * 0.5 + 0.5 });
    const auto text = gate.accept(words, 20.0);
    ASSERT_TRUE(text);
    // The latest end is 20 s; words ending after 14 s are 28 … 39.
    std::string expected;
    for (int i = 28; i < 40; ++i)
        expected += std::to_string(i) + " ";
    EXPECT_EQ(*text, expected);
}

TEST(TimedTranscriptionStream, LevelIsTwentyTimesRmsCappedAtOne)
{
    EXPECT_EQ(TimedTranscriptionStream::level(std::vector<float>(1024, 0.0f)), 0.0f);
    std::vector<float> square(1024);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = i % 2 ? 1.0f : -1.0f;
    EXPECT_EQ(TimedTranscriptionStream::level(square), 1.0f);
    std::vector<float> sine(16000);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = 0.05f * static_cast<float>(std::sin(2 * M_PI * 440.0 * static_cast<double>(i) / 16000.0));
    EXPECT_NEAR(TimedTranscriptionStream::level(sine), 0.707, 0.01);
}

// A speaker's words in absolute time; the fake engine returns those inside each window,
// timed from the window's start, as a word-timed engine does.
TranscriptionOutcome wordsInWindow(const std::vector<Word>& speech, const std::vector<float>& samples)
{
    const double windowStart = samples.front() / 16000.0;
    const double windowEnd = (samples.back() + 1) / 16000.0;
    TranscriptionResult result;
    for (const auto& word : speech) {
        if (word.start >= windowStart && word.start < windowEnd) {
            result.text += word.text;
            result.words.push_back({ word.text, word.start - windowStart, word.end - windowStart });
        }
    }
    return { { result }, std::nullopt };
}

struct StreamFixture : testing::Test {
    StreamFixture()
        : engine(std::make_shared<FakeWordTimedEngine>())
    {
    }
    void startStream(std::optional<std::string> language = "zh")
    {
        stream = std::make_unique<TimedTranscriptionStream>(
            engine, language,
            [this](const std::string& text, double frontier, double) {
                loop.post([this, text, frontier] { texts.push_back({ text, frontier }); });
            },
            [this](float level) { loop.post([this, level] { levels.push_back(level); }); });
        stream->start([this](std::optional<SpeechError> error) {
            loop.post([this, error] {
                finished = true;
                failure = error;
            });
        });
    }
    void deliverUpTo(int64_t total)
    {
        engine->recorder.deliver(numberedSamples(delivered, total - delivered));
        delivered = total;
    }

    ManualLoop loop;
    std::shared_ptr<FakeWordTimedEngine> engine;
    std::unique_ptr<TimedTranscriptionStream> stream;
    std::vector<std::pair<std::string, double>> texts;
    std::vector<float> levels;
    bool finished = false;
    std::optional<SpeechError> failure;
    int64_t delivered = 0;
};

TEST_F(StreamFixture, DecodesEveryThreeHundredFiftyMillisecondsOfNewAudio)
{
    const std::vector<Word> speech = { { "大家", 0.05, 0.30 }, { "好", 0.30, 0.34 }, { "今天", 0.40, 0.60 } };
    engine->setResponder([&](const std::vector<float>& samples) { return wordsInWindow(speech, samples); });
    startStream();
    ASSERT_TRUE(engine->recorder.waitUntilRecording());

    deliverUpTo(5599);
    // Not quite 0.35 s: the loop keeps polling without decoding.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(engine->decodes, 0);
    deliverUpTo(5600);
    ASSERT_TRUE(waitUntil(loop, [&] { return texts.size() == 1; }));
    EXPECT_EQ(texts[0].first, "大家好");
    EXPECT_DOUBLE_EQ(texts[0].second, 0.34);
    EXPECT_EQ(engine->windows(), (std::vector<int64_t> { 5600 }));

    deliverUpTo(11200);
    ASSERT_TRUE(waitUntil(loop, [&] { return texts.size() == 2; }));
    EXPECT_EQ(texts[1].first, "大家好今天");
    EXPECT_DOUBLE_EQ(texts[1].second, 0.60);

    const auto options = engine->options();
    EXPECT_EQ(options.language, std::optional<std::string>("zh"));
    EXPECT_EQ(options.sampleLength, 224);
    EXPECT_TRUE(options.wordTimestamps);
    EXPECT_EQ(options.topK, 5);
    EXPECT_GE(engine->recorder.purges, 2);
    EXPECT_FALSE(levels.empty());

    stream->stop();
    ASSERT_TRUE(waitUntil(loop, [&] { return finished; }));
    EXPECT_FALSE(failure);
    EXPECT_FALSE(engine->recorder.isRecording());
}

TEST_F(StreamFixture, LateWindowsKeepAbsoluteTimes)
{
    // Twenty seconds of audio in one go: the window holds the last twelve, starting at 8 s.
    const std::vector<Word> speech = { { "early", 2.0, 2.5 }, { "late", 19.0, 19.5 } };
    engine->setResponder([&](const std::vector<float>& samples) { return wordsInWindow(speech, samples); });
    startStream();
    ASSERT_TRUE(engine->recorder.waitUntilRecording());
    deliverUpTo(320000);
    ASSERT_TRUE(waitUntil(loop, [&] { return !texts.empty(); }));
    EXPECT_EQ(texts[0].first, "late");
    EXPECT_DOUBLE_EQ(texts[0].second, 19.5);
    EXPECT_EQ(engine->windows(), (std::vector<int64_t> { 192000 }));
}

TEST_F(StreamFixture, FailuresEndTheRun)
{
    struct Case {
        const char* name;
        std::function<void(FakeWordTimedEngine&)> arrange;
        SpeechError expected;
    };
    const SpeechError noMic { "Audio", 7, "no input device" };
    const SpeechError decodeError { "Decoder", 3, "out of memory" };
    const std::vector<Case> cases = {
        { "recording cannot start", [&](FakeWordTimedEngine& e) { e.recorder.startError = noMic; }, noMic },
        { "text without word timings",
            [](FakeWordTimedEngine& e) {
                e.setResponder([](const std::vector<float>&) { return TranscriptionOutcome { { { "你好", {} } }, std::nullopt }; });
            },
            SpeechError { "Tavilo.TimedWhisper", 1, "语音模型未返回词级时间信息，无法稳定跟随。" } },
        { "transcription error",
            [&](FakeWordTimedEngine& e) { e.setResponder([&](const std::vector<float>&) { return TranscriptionOutcome { {}, decodeError }; }); },
            decodeError },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine = std::make_shared<FakeWordTimedEngine>();
        finished = false;
        failure.reset();
        delivered = 0;
        c.arrange(*engine);
        startStream();
        if (!engine->recorder.startError) {
            ASSERT_TRUE(engine->recorder.waitUntilRecording());
            deliverUpTo(6000);
        }
        ASSERT_TRUE(waitUntil(loop, [&] { return finished; }));
        EXPECT_EQ(failure, std::optional<SpeechError>(c.expected));
        EXPECT_FALSE(engine->recorder.isRecording());
        EXPECT_GE(engine->recorder.stops, 1);
        stream.reset();
    }
}

TEST_F(StreamFixture, SilenceWithoutTextIsNoFailure)
{
    engine->setResponder([](const std::vector<float>&) { return TranscriptionOutcome { { { "  ", {} } }, std::nullopt }; });
    startStream();
    ASSERT_TRUE(engine->recorder.waitUntilRecording());
    deliverUpTo(6000);
    ASSERT_TRUE(waitUntil(loop, [&] { return engine->decodes >= 1; }));
    stream->stop();
    ASSERT_TRUE(waitUntil(loop, [&] { return finished; }));
    EXPECT_FALSE(failure);
    EXPECT_TRUE(texts.empty());
}

TEST_F(StreamFixture, StartsOnlyOnce)
{
    startStream();
    ASSERT_TRUE(engine->recorder.waitUntilRecording());
    stream->start([](std::optional<SpeechError>) {});
    stream->stop();
    ASSERT_TRUE(waitUntil(loop, [&] { return finished; }));
    stream.reset();
    EXPECT_EQ(engine->recorder.starts, 1);
}

} // namespace
