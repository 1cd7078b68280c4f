// Voice-follow accuracy harness: simulated speakers read synthetic scripts to the real
// controller on virtual time, through a recogniser that sends what a streaming recogniser
// would send, and the highlight is compared with where the speaker really is.
//
//   follow_simulator [--tokens N] [--seeds K]

#include "SimulatedReading.h"

#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "base/PreferencesStore.h"
#include "follow/ScriptTokenizer.h"
#include "follow/VoiceFollowController.h"
#include "strings/LocalizationManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

using namespace tavilo;

namespace {

// A system recogniser that speaks when the harness says so.
class SimulatedRecognizer final : public SystemSpeechEngine {
public:
    explicit SimulatedRecognizer(SimulatedRecognizer*& current)
        : m_current(current)
    {
    }
    ~SimulatedRecognizer() override
    {
        if (m_current == this)
            m_current = nullptr;
    }
    bool isAvailable() const override { return true; }
    bool supportsOnDevice() const override { return true; }
    std::optional<SpeechError> start() override
    {
        m_current = this;
        return std::nullopt;
    }
    void stop() override
    {
        if (m_current == this)
            m_current = nullptr;
    }

private:
    SimulatedRecognizer*& m_current;
};

class SimulatedRecognizerFactory final : public SystemSpeechEngineFactory {
public:
    std::unique_ptr<SystemSpeechEngine> create(const std::string&, bool) override
    {
        return std::make_unique<SimulatedRecognizer>(current);
    }
    SimulatedRecognizer* current = nullptr;
};

class NoLocalEngines final : public WordTimedEngineFactory {
public:
    void createEngine(const SpeechModelConfiguration&, std::function<void(EngineCreation)> done) override
    {
        done({ nullptr, SpeechError { "Simulator", 1, "no local engine" } });
    }
};

struct Scenario {
    const char* name;
    double wordErrorRate;
    bool skipParagraph;
    double rereadRate;
};

struct Figures {
    std::vector<double> distances; // highlight vs speaker, in tokens, sampled every 50 ms
    std::vector<double> lags;      // seconds from speaking a token to highlighting it
    int64_t falseJumps = 0;
    int64_t cursorMoves = 0;
    std::vector<double> recoveries; // seconds from a skip until the highlight is back within 3 tokens
    int64_t unreached = 0;          // spoken tokens the highlight never reached
    int64_t spokenTokens = 0;
};

double mean(const std::vector<double>& v)
{
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

void simulate(const std::string& text, const bench::ReadingOptions& options, Figures& figures)
{
    ManualLoop loop;
    PreferencesStore preferences;
    NotificationCenter notifications;
    LocalizationManager localization(preferences, notifications);
    SimulatedRecognizerFactory recognizers;
    GrantedSpeechPermissions permissions;
    NoLocalEngines localEngines;
    FollowDiagnostics diagnostics;
    VoiceFollowController controller(
        VoiceFollowServices { loop, localization, recognizers, permissions, localEngines, {}, diagnostics });

    const auto tokens = tokenize(VoiceFollowController::prepareScript(text));
    const std::string prepared = VoiceFollowController::prepareScript(text);
    const auto reading = bench::simulateReading(prepared, tokens, options);
    std::vector<int64_t> ends;
    for (const auto& token : tokens)
        ends.push_back(token.end);

    const MonotonicTime origin = loop.now();
    auto elapsed = [&] { return toSeconds(loop.now() - origin); };
    auto truthAt = [&](double time) -> int64_t {
        auto it = std::upper_bound(reading.spoken.begin(), reading.spoken.end(), time,
            [](double value, const bench::SpokenToken& s) { return value < s.time; });
        return it == reading.spoken.begin() ? 0 : std::prev(it)->index + 1;
    };
    auto highlightTokens = [&] {
        const auto offset = static_cast<int64_t>(std::llround(controller.displayCharOffset().get()));
        return static_cast<int64_t>(std::upper_bound(ends.begin(), ends.end(), offset) - ends.begin());
    };

    // First time each token was spoken, and the skips.
    std::vector<double> firstSpoken(tokens.size(), -1);
    std::vector<double> skipTimes;
    for (size_t i = 0; i < reading.spoken.size(); ++i) {
        const auto& s = reading.spoken[i];
        if (firstSpoken[static_cast<size_t>(s.index)] < 0)
            firstSpoken[static_cast<size_t>(s.index)] = s.time;
        if (i > 0 && s.index > reading.spoken[i - 1].index + 1)
            skipTimes.push_back(s.time);
    }
    std::vector<double> firstHighlighted(tokens.size(), -1);
    size_t nextSkip = 0;
    double pendingSkip = -1;

    int64_t previousCursor = 0;
    auto cursorWatch = controller.cursor().observeChanges([&](const int64_t& cursor) {
        const int64_t truth = truthAt(elapsed());
        ++figures.cursorMoves;
        if (std::llabs(cursor - truth) > 10 && std::llabs(previousCursor - truth) <= 10)
            ++figures.falseJumps;
        previousCursor = cursor;
    });

    controller.start(text, "zh-CN", false);
    const double end = reading.events.empty() ? 0 : reading.events.back().time + 3;
    size_t nextEvent = 0;
    double nextSample = 0;
    // The loop's clock counts nanoseconds: compare with a little slack so that a target a
    // fraction of a nanosecond ahead does not stall the run.
    constexpr double kSlack = 1e-6;
    while (elapsed() + kSlack < end) {
        const double eventTime = nextEvent < reading.events.size() ? reading.events[nextEvent].time : end;
        const double target = std::min(eventTime, nextSample);
        if (target > elapsed() + kSlack)
            loop.advance(toDuration(target - elapsed()));
        if (nextEvent < reading.events.size() && reading.events[nextEvent].time <= elapsed() + kSlack) {
            const auto& event = reading.events[nextEvent++];
            if (auto* recognizer = recognizers.current) {
                if (event.kind == bench::ReadingEvent::Kind::partial)
                    recognizer->onText(event.transcript);
                else
                    recognizer->onEnded(std::nullopt);
            }
        }
        if (nextSample <= elapsed() + kSlack) {
            const double now = elapsed();
            const int64_t highlight = highlightTokens();
            const int64_t truth = truthAt(now);
            if (now >= reading.spoken.front().time && now <= reading.spoken.back().time + 1)
                figures.distances.push_back(static_cast<double>(std::llabs(highlight - truth)));
            for (int64_t i = 0; i < highlight && i < static_cast<int64_t>(tokens.size()); ++i) {
                if (firstHighlighted[static_cast<size_t>(i)] < 0 && firstSpoken[static_cast<size_t>(i)] >= 0
                    && now >= firstSpoken[static_cast<size_t>(i)])
                    firstHighlighted[static_cast<size_t>(i)] = now;
            }
            if (nextSkip < skipTimes.size() && now >= skipTimes[nextSkip]) {
                pendingSkip = skipTimes[nextSkip++];
            }
            if (pendingSkip >= 0 && std::llabs(highlight - truth) <= 3) {
                figures.recoveries.push_back(now - pendingSkip);
                pendingSkip = -1;
            }
            nextSample += 0.05;
        }
    }
    controller.stop();
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (firstSpoken[i] < 0)
            continue;
        ++figures.spokenTokens;
        if (firstHighlighted[i] < 0)
            ++figures.unreached;
        else
            figures.lags.push_back(firstHighlighted[i] - firstSpoken[i]);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int64_t tokens = 3000;
    int seeds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--tokens") == 0)
            tokens = std::atoll(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seeds") == 0)
            seeds = std::atoi(argv[i + 1]);
    }
    const std::vector<Scenario> scenarios = {
        { "clean reading", 0.0, false, 0.0 },
        { "clean, one paragraph skipped", 0.0, true, 0.0 },
        { "15% word errors", 0.15, false, 0.0 },
        { "15% word errors, one paragraph skipped", 0.15, true, 0.0 },
        { "15% word errors, 5% sentences reread", 0.15, false, 0.05 },
    };
    std::printf("Script: synthetic mixed Chinese/English, %lld tokens; %d readings per scenario; partial results\n"
                "rewrite their last 1-2 tokens 35%% of the time; recogniser runs restart every 55 s.\n\n",
        static_cast<long long>(tokens), seeds);
    std::fflush(stdout);
    std::printf("%-42s %9s %9s %9s %9s %7s %9s %9s\n", "scenario", "mean(tok)", "p95(tok)", "lag(s)", "lagp95(s)",
        "falseJ", "unreached", "recover(s)");
    for (const auto& scenario : scenarios) {
        Figures figures;
        for (int seed = 0; seed < seeds; ++seed) {
            const std::string text = bench::syntheticScript(tokens, 100 + static_cast<uint32_t>(seed));
            bench::ReadingOptions options;
            options.wordErrorRate = scenario.wordErrorRate;
            options.skipParagraph = scenario.skipParagraph;
            options.rereadRate = scenario.rereadRate;
            options.seed = 1000 + static_cast<uint32_t>(seed);
            simulate(text, options, figures);
        }
        char recovery[32] = "-";
        if (!figures.recoveries.empty())
            std::snprintf(recovery, sizeof recovery, "%.2f", mean(figures.recoveries));
        std::printf("%-42s %9.2f %9.1f %9.2f %9.2f %7lld %8.2f%% %9s\n", scenario.name, mean(figures.distances),
            percentile(figures.distances, 0.95), mean(figures.lags), percentile(figures.lags, 0.95),
            static_cast<long long>(figures.falseJumps),
            100.0 * static_cast<double>(figures.unreached) / std::max<double>(1, static_cast<double>(figures.spokenTokens)),
            recovery);
        std::fflush(stdout);
    }
    return 0;
}
