#include "SimulatedReading.h"

#include "follow/AlignmentEngine.h"
#include "follow/ReferenceAlignmentEngine.h"
#include "follow/ScriptTokenizer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

namespace {

using namespace tavilo;

struct AlignmentCall {
    bool newRun = false; // the recogniser restarted before this result
    std::vector<std::string> keys;
};

struct Workload {
    std::vector<std::string> scriptKeys;
    std::vector<AlignmentCall> calls;
};

// Someone reading the whole script with 15 % word errors, rewritten last words, one
// skipped paragraph and occasional rereads: every partial result becomes one update.
const Workload& workload(int64_t scriptTokens)
{
    static std::map<int64_t, Workload> cache;
    auto [it, inserted] = cache.try_emplace(scriptTokens);
    if (!inserted)
        return it->second;
    const std::string text = bench::syntheticScript(scriptTokens, 42);
    const auto tokens = tokenize(text);
    for (const auto& token : tokens)
        it->second.scriptKeys.push_back(token.text);
    bench::ReadingOptions options;
    options.wordErrorRate = 0.15;
    options.skipParagraph = true;
    options.rereadRate = 0.05;
    options.seed = 7;
    const auto reading = bench::simulateReading(text, tokens, options);
    bool newRun = true;
    for (const auto& event : reading.events) {
        if (event.kind == bench::ReadingEvent::Kind::runEnded) {
            newRun = true;
            continue;
        }
        it->second.calls.push_back({ newRun, tokenKeys(event.transcript) });
        newRun = false;
    }
    return it->second;
}

template<typename Engine>
void alignmentUpdate(benchmark::State& state)
{
    const auto& work = workload(state.range(0));
    const AlignmentConfig config { 12, 4, 3 };
    auto engine = std::make_unique<Engine>(work.scriptKeys, config);
    size_t next = 0;
    std::vector<double> microseconds;
    microseconds.reserve(1 << 20);
    for (auto _ : state) {
        if (next == work.calls.size()) {
            state.PauseTiming();
            engine = std::make_unique<Engine>(work.scriptKeys, config);
            next = 0;
            state.ResumeTiming();
        }
        const auto& call = work.calls[next++];
        const auto start = std::chrono::steady_clock::now();
        if (call.newRun)
            engine->resetSession();
        benchmark::DoNotOptimize(engine->update(call.keys));
        const auto end = std::chrono::steady_clock::now();
        if (microseconds.size() < microseconds.capacity())
            microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (!microseconds.empty()) {
        std::sort(microseconds.begin(), microseconds.end());
        auto at = [&](double q) { return microseconds[static_cast<size_t>(q * static_cast<double>(microseconds.size() - 1))]; };
        state.counters["p50_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = microseconds.back();
    }
    state.counters["scriptTokens"] = static_cast<double>(work.scriptKeys.size());
    state.counters["calls"] = static_cast<double>(work.calls.size());
}

void BM_AlignmentUpdate(benchmark::State& state) { alignmentUpdate<AlignmentEngine>(state); }
void BM_AlignmentUpdateReference(benchmark::State& state) { alignmentUpdate<ReferenceAlignmentEngine>(state); }

// Loading a script: keys, interning and the indexes.
void BM_AlignmentEngineCreate(benchmark::State& state)
{
    const auto& work = workload(state.range(0));
    for (auto _ : state) {
        AlignmentEngine engine(work.scriptKeys, AlignmentConfig {});
        benchmark::DoNotOptimize(engine.cursor());
    }
}

} // namespace

BENCHMARK(BM_AlignmentUpdate)->Arg(2000)->Arg(20000);
BENCHMARK(BM_AlignmentUpdateReference)->Arg(2000)->Arg(20000);
BENCHMARK(BM_AlignmentEngineCreate)->Arg(20000)->Unit(benchmark::kMillisecond);
