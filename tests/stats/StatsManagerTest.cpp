#include "core/ModelWorld.h"
#include "core/TimerEngine.h"
#include "stats/StatsManager.h"
#include "stats/StatsStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tavilo;
using namespace std::chrono_literals;

namespace {

std::string wordsTimes(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "word ";
    return text;
}

// The recorder with a real store in a temporary folder, driven as the wiring drives it.
struct RecorderWorld : ModelWorld {
    TempDir dir;
    TimerEngine timer { loop };
    StatsStore store { AppPaths::underRoot(dir.path()), loop };
    StatsManager recorder { model, timer, store, notifications, library, localization, loop };
    std::vector<RehearsalSession> posted;
    Subscription observer = notifications.addObserver(StatsManager::kDidRecordSessionNotification,
        [this](const Notification& n) { posted.push_back(std::any_cast<RehearsalSession>(n.object)); });

    RecorderWorld()
    {
        localization.setLanguage(AppLanguage::en);
        model.speedPointsPerSecond = 85; // 160 words a minute
        model.script = wordsTimes(320);  // estimate 120 s
    }
    void runFor(Duration d)
    {
        timer.start();
        recorder.begin();
        loop.advance(d);
    }
    // A reset as the wiring does it: finish first, then reset the clock.
    void reset()
    {
        recorder.finish(false);
        timer.reset();
    }
};

TEST(StatsManager, RunsOfTwoSecondsOrLessAreNotRecorded)
{
    RecorderWorld w;
    w.runFor(2400ms);
    w.reset();
    EXPECT_TRUE(w.store.sessions().get().empty());
    EXPECT_TRUE(w.posted.empty());
    EXPECT_FALSE(w.recorder.sessionActive());

    w.runFor(2600ms);
    w.reset();
    ASSERT_EQ(w.store.sessions().get().size(), 1u);
    EXPECT_DOUBLE_EQ(w.store.sessions().get()[0].duration, 3);
    EXPECT_EQ(w.posted, w.store.sessions().get()) << "posted after it was stored";
}

TEST(StatsManager, AResetAfterAQuarterOfTheEstimateRecordsCompletionAQuarter)
{
    RecorderWorld w;
    const Date begun = w.loop.currentDate();
    w.runFor(30s);
    w.reset();
    ASSERT_EQ(w.store.sessions().get().size(), 1u);
    const RehearsalSession& s = w.store.sessions().get()[0];
    EXPECT_DOUBLE_EQ(s.completion, 0.25);
    EXPECT_EQ(s.words, 80);
    EXPECT_DOUBLE_EQ(s.avgWordsPerMin, 160);
    EXPECT_DOUBLE_EQ(s.duration, 30);
    EXPECT_FALSE(s.reachedEnd);
    EXPECT_EQ(s.startedAt, begun);
    EXPECT_EQ(s.scriptID, std::nullopt);
    EXPECT_EQ(s.scriptTitle, "Untitled script");
    const auto onDisk = nlohmann::json::parse(readWholeFile(w.store.fileURL()).contents);
    EXPECT_FALSE(onDisk[0].contains("scriptID"));
}

TEST(StatsManager, ReachingTheEndIsCompleteWhateverTheTime)
{
    RecorderWorld w;
    const Uuid id = w.library.add("Keynote", wordsTimes(320));
    w.model.selectScript(id);
    w.runFor(10s);
    w.recorder.finish(true);
    ASSERT_EQ(w.posted.size(), 1u);
    EXPECT_DOUBLE_EQ(w.posted[0].completion, 1);
    EXPECT_EQ(w.posted[0].words, 320);
    EXPECT_TRUE(w.posted[0].reachedEnd);
    EXPECT_EQ(w.posted[0].scriptID, id);
    EXPECT_EQ(w.posted[0].scriptTitle, "Keynote");
}

TEST(StatsManager, PausesInsideOneRecordingCountOnlyRunningTime)
{
    RecorderWorld w;
    w.runFor(10s);
    w.timer.pause();
    w.loop.advance(60s);
    w.runFor(10s); // begin again while recording keeps the first start
    w.reset();
    ASSERT_EQ(w.store.sessions().get().size(), 1u);
    EXPECT_DOUBLE_EQ(w.store.sessions().get()[0].duration, 20);
}

TEST(StatsManager, EmptyScriptRecordsNothingCovered)
{
    RecorderWorld w;
    w.model.script = "";
    w.runFor(10s);
    w.reset();
    ASSERT_EQ(w.store.sessions().get().size(), 1u);
    EXPECT_DOUBLE_EQ(w.store.sessions().get()[0].completion, 0);
    EXPECT_EQ(w.store.sessions().get()[0].words, 0);
}

TEST(StatsManager, StatisticsOffOrNoRecordingDiscardTheRun)
{
    RecorderWorld w;
    w.model.statsEnabled = false;
    w.runFor(10s);
    EXPECT_TRUE(w.recorder.sessionActive()) << "switched off does not stop begin";
    w.reset();
    EXPECT_FALSE(w.recorder.sessionActive());
    w.model.statsEnabled = true;
    w.loop.advance(10s);
    w.recorder.finish(false); // a second finish without begin
    EXPECT_TRUE(w.store.sessions().get().empty());
    EXPECT_TRUE(w.posted.empty());
}

TEST(StatsManager, ABlankLibraryTitleIsRecordedAsUntitled)
{
    RecorderWorld w;
    const Uuid id = w.library.add(" \n", "Some text here.");
    w.model.selectScript(id);
    w.runFor(5s);
    w.reset();
    ASSERT_EQ(w.posted.size(), 1u);
    EXPECT_EQ(w.posted[0].scriptTitle, "Untitled script");
    EXPECT_EQ(w.posted[0].scriptID, id);
}

} // namespace
