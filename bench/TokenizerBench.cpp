#include "follow/ScriptTokenizer.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

// A presenter's script mixing Chinese sentences, English product words, numbers with and
// without units, and punctuation of both kinds.
std::string mixedScript(size_t bytes)
{
    static const char* const pieces[] = { "大家好，", "今天我们来聊一聊", "AI", "技术", "在", "Product", "Design", "中的应用。",
        "我们的", "Dashboard", "每天处理", "25万", "个请求，", "响应时间", "3.5", "毫秒。", "这是", "2024", "年的", "Roadmap",
        "：", "第一，", "提升", "performance", "；第二，", "降低", "cost", "。", "Let's", "get", "started", "! ", "大约", "12个",
        "团队", "参与了", "这个", "project", "，", "预算", "300元", "左右。\n" };
    std::mt19937 random(7);
    std::string text;
    while (text.size() < bytes) {
        text += pieces[random() % std::size(pieces)];
        if (random() % 5 == 0)
            text += ' ';
    }
    return text;
}

std::string englishScript(size_t bytes)
{
    static const char* const words[] = { "the", "quick", "presenter", "reads", "every", "line", "of", "her", "script,",
        "looking", "straight", "into", "camera", "while", "teleprompter", "scrolls", "smoothly.", "Twenty", "25", "slides" };
    std::mt19937 random(9);
    std::string text;
    while (text.size() < bytes) {
        text += words[random() % std::size(words)];
        text += ' ';
    }
    return text;
}

void tokenizeBenchmark(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        auto tokens = tavilo::tokenize(text);
        benchmark::DoNotOptimize(tokens.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_Tokenize_mixed(benchmark::State& state)
{
    static const std::string text = mixedScript(256 * 1024);
    tokenizeBenchmark(state, text);
}

void BM_Tokenize_english(benchmark::State& state)
{
    static const std::string text = englishScript(256 * 1024);
    tokenizeBenchmark(state, text);
}

// A recognition result: the keys of a two-sentence transcript, as the controller cuts
// every partial result.
void BM_TokenKeys_transcript(benchmark::State& state)
{
    static const std::string text = mixedScript(160);
    for (auto _ : state) {
        auto keys = tavilo::tokenKeys(text);
        benchmark::DoNotOptimize(keys.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

} // namespace

BENCHMARK(BM_Tokenize_mixed)->Name("BM_Tokenize/mixed");
BENCHMARK(BM_Tokenize_english)->Name("BM_Tokenize/english");
BENCHMARK(BM_TokenKeys_transcript)->Name("BM_TokenKeys/transcript");
