#include "base/DurableFile.h"
#include "base/ManualLoop.h"
#include "stats/StatsStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

using namespace tavilo;
namespace fs = std::filesystem;

namespace {

RehearsalSession sessionNumbered(int n)
{
    RehearsalSession s;
    s.id = Uuid::create();
    s.scriptTitle = "Run " + std::to_string(n);
    s.startedAt = Date::fromReferenceSeconds(800000000.5 + n);
    s.duration = 10 + n;
    s.words = n;
    s.avgWordsPerMin = 150.5;
    s.completion = 0.25;
    return s;
}

std::string fileText(const fs::path& path)
{
    return readWholeFile(path).contents;
}

struct StoreWorld {
    TempDir dir;
    ManualLoop loop;
    AppPaths paths = AppPaths::underRoot(dir.path());
};

TEST(StatsStore, WritesCompactJsonWithKeysInFieldOrderAndReadsItBack)
{
    StoreWorld w;
    RehearsalSession saved = sessionNumbered(1);
    saved.scriptID = Uuid::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    saved.reachedEnd = true;
    RehearsalSession unsaved = sessionNumbered(2);
    {
        StatsStore store(w.paths, w.loop);
        EXPECT_EQ(store.fileURL(), w.paths.statsFile());
        EXPECT_EQ(store.fileURL().filename(), "rehearsal_stats.json");
        store.record(saved);
        store.record(unsaved);
    }
    const std::string text = fileText(w.paths.statsFile());
    const std::string expectedFirst = "[{\"id\":\"" + unsaved.id.toString()
        + "\",\"scriptTitle\":\"Run 2\",\"startedAt\":800000002.5,\"duration\":12.0,\"words\":2,"
          "\"avgWordsPerMin\":150.5,\"completion\":0.25,\"reachedEnd\":false},";
    EXPECT_EQ(text.substr(0, expectedFirst.size()), expectedFirst);
    EXPECT_NE(text.find("\"id\":\"" + saved.id.toString() + "\",\"scriptID\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\","
                  "\"scriptTitle\":\"Run 1\""),
        std::string::npos);

    StatsStore reopened(w.paths, w.loop);
    EXPECT_EQ(reopened.sessions().get(), (std::vector<RehearsalSession> { unsaved, saved }));
    EXPECT_EQ(reopened.latest(), unsaved);
    EXPECT_DOUBLE_EQ(reopened.totalDuration(), 23);
}

TEST(StatsStore, The501stSessionPushesTheOldestOut)
{
    StoreWorld w;
    // 500 stored sessions, newest (500) first; writing them one by one would cost 500 fsyncs.
    std::vector<RehearsalSession> full;
    for (int n = 500; n >= 1; --n)
        full.push_back(sessionNumbered(n));
    ASSERT_FALSE(writeFileAtomically(w.paths.statsFile(), StatsStore::encode(full)));

    StatsStore store(w.paths, w.loop);
    ASSERT_EQ(store.sessions().get().size(), 500u);
    store.record(sessionNumbered(501));
    ASSERT_EQ(store.sessions().get().size(), 500u);
    EXPECT_EQ(store.sessions().get().front().scriptTitle, "Run 501");
    EXPECT_EQ(store.sessions().get().back().scriptTitle, "Run 2");
    const auto onDisk = nlohmann::json::parse(fileText(w.paths.statsFile()));
    EXPECT_EQ(onDisk.size(), 500u);
    EXPECT_EQ(onDisk.front()["scriptTitle"], "Run 501");
    EXPECT_EQ(onDisk.back()["scriptTitle"], "Run 2");
}

TEST(StatsStore, ClearLeavesAnEmptyArray)
{
    StoreWorld w;
    StatsStore store(w.paths, w.loop);
    EXPECT_EQ(store.latest(), std::nullopt);
    EXPECT_DOUBLE_EQ(store.totalDuration(), 0);
    store.record(sessionNumbered(1));
    store.clear();
    EXPECT_TRUE(store.sessions().get().empty());
    EXPECT_EQ(fileText(w.paths.statsFile()), "[]");
}

TEST(StatsStore, AnUnreadableFileStartsEmptyAndIsKeptAsideBeforeTheFirstWrite)
{
    StoreWorld w;
    fs::create_directories(w.paths.dataDir);
    const std::string damaged = "[{\"id\":\"not a uuid\"}]";
    std::ofstream(w.paths.statsFile()) << damaged;

    StatsStore store(w.paths, w.loop);
    EXPECT_TRUE(store.sessions().get().empty());
    EXPECT_EQ(fileText(w.paths.statsFile()), damaged) << "reading alone changes nothing";

    store.record(sessionNumbered(1));
    ASSERT_TRUE(store.keptAsidePath());
    EXPECT_EQ(fileText(*store.keptAsidePath()), damaged);
    EXPECT_EQ(store.keptAsidePath()->parent_path(), w.paths.dataDir);
    EXPECT_EQ(StatsStore::decode(fileText(w.paths.statsFile()))->size(), 1u);

    // Only the file found at creation is moved aside.
    store.record(sessionNumbered(2));
    size_t kept = 0;
    for (const auto& entry : fs::directory_iterator(w.paths.dataDir))
        kept += entry.path().filename().string().find(".unreadable-") != std::string::npos;
    EXPECT_EQ(kept, 1u);
}

TEST(StatsStore, DecodeIsAllOrNothingAndNeedsEveryKeyButScriptID)
{
    const std::string good = StatsStore::encode({ sessionNumbered(1) });
    ASSERT_TRUE(StatsStore::decode(good));
    EXPECT_FALSE(StatsStore::decode("{}"));
    EXPECT_FALSE(StatsStore::decode("not json"));
    for (const char* key : { "id", "scriptTitle", "startedAt", "duration", "words", "avgWordsPerMin", "completion",
             "reachedEnd" }) {
        auto document = nlohmann::json::parse(good);
        document.push_back(document[0]);
        document[1].erase(key);
        EXPECT_FALSE(StatsStore::decode(document.dump())) << "without " << key;
    }
    auto wrongType = nlohmann::json::parse(good);
    wrongType[0]["words"] = 2.5;
    EXPECT_FALSE(StatsStore::decode(wrongType.dump()));
    auto badScript = nlohmann::json::parse(good);
    badScript[0]["scriptID"] = "nope";
    EXPECT_FALSE(StatsStore::decode(badScript.dump()));
}

} // namespace
