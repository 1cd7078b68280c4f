// The real app scrolling a script, driven through the command channel like a desktop shortcut.

#include "AppProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QImage>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const char* const kScript = "Ladies and gentlemen, thank you for coming tonight.\\n"
                            "We have worked for two years on this product, and today we share it with you.\\n"
                            "It began with a simple question: why must a speaker look down at notes?\\n"
                            "Let me show you what we built.\\nThe text scrolls right under the camera.\\n"
                            "You keep eye contact with every viewer.\\nAnd nobody sees you read.";

// For every row, how far right its lit pixels reach: the length of the line of text it
// crosses, which the edge fade dims but does not change.
std::vector<int> rowExtents(const QImage& image)
{
    std::vector<int> rows(static_cast<size_t>(image.height()), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 60)
                rows[static_cast<size_t>(y)] = x;
    return rows;
}

// How far up the text of `later` moved against `earlier`: the shift that makes the line
// lengths in the unfaded middle of the panel agree best.
int upwardShift(const QImage& earlier, const QImage& later, int bandTop, int bandBottom)
{
    const auto a = rowExtents(earlier), b = rowExtents(later);
    int best = -1;
    double bestError = 1e300;
    for (int shift = 0; shift <= (bandBottom - bandTop) / 2; ++shift) {
        double error = 0;
        int count = 0;
        for (int y = bandTop + shift; y < bandBottom; ++y, ++count)
            error += std::abs(a[static_cast<size_t>(y)] - b[static_cast<size_t>(y - shift)]);
        error /= count;
        if (error < bestError) {
            bestError = error;
            best = shift;
        }
    }
    return best;
}

} // namespace

TEST(ScrollingApp, TextMovesUpAtItsSpeedAndAResetRecordsTheRun)
{
    TempDir home;
    const fs::path prefs = home.path() / "config" / "Tavilo" / "preferences.json";
    fs::create_directories(prefs.parent_path());
    std::ofstream(prefs) << R"({"hasSavedSession": true, "countdownBehavior": "never", "speedPointsPerSecond": 40.0,
        "overlayHeight": 300.0, "script": ")" << kScript << R"("})";
    const auto env = AppProcess::isolatedEnvironment(home.path());
    AppProcess app({}, env);
    ASSERT_TRUE(app.waitForStderr("first panel frame", 20s)) << app.err();

    std::string out, err;
    ASSERT_EQ(AppProcess::run({ "--command", "startPause" }, env, &out, &err), 0) << err;
    std::this_thread::sleep_for(1500ms); // past the eased start
    const fs::path first = home.path() / "first.png", second = home.path() / "second.png";
    ASSERT_EQ(AppProcess::run({ "--screenshot", first.string() }, env, &out, &err), 0) << err;
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(AppProcess::run({ "--screenshot", second.string() }, env, &out, &err), 0) << err;

    const QImage a(QString::fromStdString(first.string())), b(QString::fromStdString(second.string()));
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    // One second at 40 points per second, give or take the time a screenshot takes.
    // The panel is 300 points high with the text between 58 and 284; its middle is not faded.
    const double scale = a.height() / 300.0;
    const int shift = static_cast<int>(upwardShift(a, b, static_cast<int>(110 * scale), static_cast<int>(235 * scale)) / scale);
    std::printf("text moved up %d points in one second\n", shift);
    EXPECT_GE(shift, 25);
    EXPECT_LE(shift, 70);

    std::this_thread::sleep_for(1s); // over 3 s of running in all
    ASSERT_EQ(AppProcess::run({ "--command", "reset" }, env, &out, &err), 0) << err;
    std::ifstream statsFile(home.path() / "data" / "Tavilo" / "rehearsal_stats.json");
    ASSERT_TRUE(statsFile) << "no statistics file";
    const auto sessions = nlohmann::json::parse(statsFile);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_GE(sessions[0]["duration"].get<double>(), 3);
    EXPECT_FALSE(sessions[0]["reachedEnd"].get<bool>());

    app.sendSignal(SIGTERM);
    EXPECT_EQ(app.waitForExit(20s), 0) << app.err();
}
