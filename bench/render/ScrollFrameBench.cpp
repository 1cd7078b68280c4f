// Cost of one frame of the scrolling prompter text in the notch panel: a 600 × 150-point panel,
// its content rectangle (18 points at the sides, 58 at the top, 16 at the bottom) showing the
// scrolling view while the model runs. One frame is what the app does every 1/60 s while the
// text moves: the engine's tick, then drawing the panel into an image at the device pixel
// ratio given as the second argument.
//
// Reported per script length: the median and 95th percentile of single frames (counters
// "median_us", "p95_us"); the time per iteration is their mean. A frame must cost the same
// whatever the script's length. The last benchmark gives the one-off cost of laying out a
// script (on a text, width or font change), which does grow with the length.

#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "core/PrompterModel.h"
#include "strings/LocalizationManager.h"
#include "ui/ScrollingTextView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

using namespace tavilo;

namespace {

// A deterministic script of `words` words in paragraphs of 40 to 90 words.
std::string makeScript(int words)
{
    static const char* const vocabulary[] = { "the", "camera", "reads", "slowly", "while", "speaker", "looks", "at",
        "lens", "and", "every", "sentence", "moves", "upward", "through", "panel", "with", "calm", "steady",
        "pace", "notch", "prompter", "keeps", "words", "close", "to", "eyes", "so", "audience", "feels", "seen" };
    constexpr int vocabularySize = sizeof(vocabulary) / sizeof(vocabulary[0]);
    std::string script;
    script.reserve(static_cast<size_t>(words) * 7);
    uint32_t state = 12345;
    int inParagraph = 0, paragraphLength = 60;
    for (int i = 0; i < words; ++i) {
        state = state * 1664525u + 1013904223u;
        script += vocabulary[(state >> 16) % vocabularySize];
        if (++inParagraph == paragraphLength) {
            script += (i + 1 < words) ? ".\n\n" : ".";
            inParagraph = 0;
            paragraphLength = 40 + static_cast<int>((state >> 8) % 51);
        } else if (i + 1 < words) {
            script += ' ';
        }
    }
    return script;
}

QApplication& application()
{
    static int argc = 1;
    static char name[] = "scroll_frame_bench";
    static char* argv[] = { name, nullptr };
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// A stand-in for the notch panel: its black fill with the view in the content rectangle.
class PanelStandIn final : public QWidget {
public:
    PanelStandIn() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
    }
};

struct Prompter {
    ManualLoop loop;
    PreferencesStore store;
    NotificationCenter notifications;
    LocalizationManager localization { store, notifications };
    PrompterModel model { loop, store };
    PanelStandIn panel;
    ScrollingTextView* view;

    Prompter(int words, QSize panelSize, QRect content)
    {
        model.countdownBehavior = CountdownBehavior::never;
        model.script = makeScript(words);
        panel.resize(panelSize);
        view = new ScrollingTextView(model, localization, &panel);
        view->setGeometry(content);
        panel.show();
        model.start();
        loop.advanceSeconds(1.0); // past the easing of the start
    }
};

void runFrames(benchmark::State& state, QSize panelSize, QRect content)
{
    application();
    Prompter prompter(static_cast<int>(state.range(0)), panelSize, content);
    const int ratio = static_cast<int>(state.range(1));
    QImage frame(panelSize * ratio, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);

    std::vector<double> micros;
    micros.reserve(20000);
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        prompter.loop.advance(toDuration(1.0 / 60));
        prompter.panel.render(&frame);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
        benchmark::DoNotOptimize(frame.constBits());
    }
    if (!prompter.model.isRunning())
        state.SkipWithError("the prompter stopped running");
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p95_us"] = micros[micros.size() * 95 / 100];
    state.counters["content_pt"] = prompter.view->measuredContentHeight();
}

void BM_NotchPanelFrame(benchmark::State& state)
{
    runFrames(state, QSize(600, 150), QRect(18, 58, 600 - 36, 150 - 58 - 16));
}

// The same view filling the whole 600 × 150 area: twice the lines in view.
void BM_FullAreaFrame(benchmark::State& state)
{
    runFrames(state, QSize(600, 150), QRect(0, 0, 600, 150));
}

// A 1220 × 728 floating window.
void BM_FloatingWindowFrame(benchmark::State& state)
{
    runFrames(state, QSize(1220, 728), QRect(18, 44, 1220 - 36, 728 - 44 - 16));
}

// Laying the script out again, as on a change of text, width or font size.
void BM_LayOutScript(benchmark::State& state)
{
    application();
    Prompter prompter(static_cast<int>(state.range(0)), QSize(600, 150), QRect(18, 58, 564, 76));
    int width = 564;
    for (auto _ : state) {
        width = width == 564 ? 563 : 564;
        prompter.view->resize(width, 76);
        benchmark::DoNotOptimize(prompter.view->measuredContentHeight());
    }
}

} // namespace

// Arguments: words in the script, device pixel ratio.
BENCHMARK(BM_NotchPanelFrame)
    ->ArgNames({ "words", "ratio" })
    ->Args({ 100, 2 })
    ->Args({ 10000, 2 })
    ->Args({ 50000, 2 })
    ->Args({ 10000, 1 })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullAreaFrame)->ArgNames({ "words", "ratio" })->Args({ 10000, 2 })->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloatingWindowFrame)
    ->ArgNames({ "words", "ratio" })
    ->Args({ 10000, 1 })
    ->Args({ 10000, 2 })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayOutScript)->Arg(100)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
