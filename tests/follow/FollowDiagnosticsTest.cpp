#include "follow/FollowDiagnostics.h"

#include "TempDir.h"
#include "base/DurableFile.h"
#include "base/Uuid.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace tavilo;

namespace {

std::vector<std::string> lines(const std::filesystem::path& path)
{
    std::vector<std::string> result;
    std::istringstream stream(readWholeFile(path).contents);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

FollowDiagnostics::Options fixedClock(int64_t limit = FollowDiagnostics::kDefaultLimit)
{
    FollowDiagnostics::Options options;
    options.limit = limit;
    options.uptime = [] { return 12.5; };
    return options;
}

TEST(FollowDiagnostics, SwitchMustMatchExactly)
{
    EXPECT_TRUE(FollowDiagnostics::requested({ "tavilo", "--follow-diagnostics" }));
    EXPECT_FALSE(FollowDiagnostics::requested({ "tavilo", "--follow-diagnostics=1", "-follow-diagnostics" }));
}

TEST(FollowDiagnostics, DisabledCreatesNothing)
{
    TempDir dir;
    const auto paths = AppPaths::underRoot(dir.path());
    auto diagnostics = FollowDiagnostics::forLaunch({ "tavilo" }, paths);
    diagnostics->log(FollowEventKind::session, { { "whisper", 1 } });
    diagnostics->flush();
    EXPECT_FALSE(diagnostics->enabled());
    EXPECT_FALSE(diagnostics->filePath());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    auto enabled = FollowDiagnostics::forLaunch({ "tavilo", "--follow-diagnostics" }, paths);
    ASSERT_TRUE(enabled->filePath());
    EXPECT_EQ(enabled->filePath()->parent_path(), paths.stateDir / "logs");
}

TEST(FollowDiagnostics, WritesSortedJsonLinesInOrder)
{
    TempDir dir;
    const auto logs = dir.path() / "state" / "logs";
    std::optional<std::filesystem::path> path;
    {
        FollowDiagnostics diagnostics(logs, fixedClock());
        ASSERT_TRUE(diagnostics.filePath());
        path = diagnostics.filePath();
        EXPECT_EQ(path->parent_path(), logs);
        const auto name = path->filename().string();
        EXPECT_EQ(name.substr(0, 7), "follow-");
        EXPECT_EQ(name.substr(name.size() - 6), ".jsonl");
        EXPECT_TRUE(Uuid::fromString(name.substr(7, 36)));

        diagnostics.log(FollowEventKind::recognition, { { "sequence", 1 }, { "callbackGapMs", -1 }, { "processingMs", 0.25 },
                                                          { "after", 3 }, { "decision", 2 } });
        diagnostics.log(FollowEventKind::stopped);
        for (int i = 0; i < 200; ++i)
            diagnostics.log(FollowEventKind::frame, { { "sequence", static_cast<double>(i) } });
    } // destruction drains the queue
    const auto written = lines(*path);
    ASSERT_EQ(written.size(), 202u);
    EXPECT_EQ(written[0],
        R"({"event":"recognition","time":12.5,"values":{"after":3,"callbackGapMs":-1,"decision":2,"processingMs":0.25,"sequence":1}})");
    EXPECT_EQ(written[1], R"({"event":"stopped","time":12.5,"values":{}})");
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(nlohmann::json::parse(written[2 + static_cast<size_t>(i)])["values"]["sequence"], i);
}

TEST(FollowDiagnostics, LinesThatDoNotFitAreDroppedAndSmallerOnesStillFit)
{
    const auto shortLine = FollowDiagnostics::serialize(FollowEventKind::stopped, 12.5, {});
    ASSERT_TRUE(shortLine);
    const auto bigger = FollowDiagnostics::serialize(FollowEventKind::session, 12.5, { { "whisper", 1 } });
    const auto first = static_cast<int64_t>(shortLine->size() + 1);
    const int64_t limit = first + static_cast<int64_t>(shortLine->size() + 1) + 2; // room for one more short line only
    TempDir dir;
    FollowDiagnostics diagnostics(dir.path(), fixedClock(limit));
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.log(FollowEventKind::session, { { "whisper", 1 } }); // longer than what is left
    diagnostics.log(FollowEventKind::stopped);                         // fits
    diagnostics.log(FollowEventKind::stopped);                         // does not
    diagnostics.log(FollowEventKind::recognition, { { "x", std::nan("") } }); // cannot be written
    diagnostics.flush();
    EXPECT_GT(bigger->size(), shortLine->size() + 2);
    EXPECT_EQ(lines(*diagnostics.filePath()), (std::vector<std::string> { *shortLine, *shortLine }));
    EXPECT_EQ(diagnostics.bytesWritten(), 2 * first);
    EXPECT_TRUE(diagnostics.isWriting());
}

TEST(FollowDiagnostics, ALineThatFitsExactlyIsWritten)
{
    const auto line = FollowDiagnostics::serialize(FollowEventKind::stopped, 12.5, {});
    TempDir dir;
    FollowDiagnostics diagnostics(dir.path(), fixedClock(static_cast<int64_t>(line->size() + 1)));
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.flush();
    EXPECT_EQ(lines(*diagnostics.filePath()).size(), 1u);
}

TEST(FollowDiagnostics, WriteErrorEndsTheLog)
{
    TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.path() / "full.jsonl");
    auto options = fixedClock();
    options.fileName = "full.jsonl";
    FollowDiagnostics diagnostics(dir.path(), options);
    ASSERT_TRUE(diagnostics.isWriting());
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.flush();
    EXPECT_FALSE(diagnostics.isWriting());
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.flush();
    EXPECT_EQ(diagnostics.bytesWritten(), 0);
}

TEST(FollowDiagnostics, UnwritableFolderMeansNoLog)
{
    TempDir dir;
    // A file where the folder should be: neither the folder nor the file can be created
    // (permissions would not stop a test running as root).
    ASSERT_FALSE(writeFileAtomically(dir.path() / "state", "x"));
    FollowDiagnostics diagnostics(dir.path() / "state" / "logs", fixedClock());
    diagnostics.log(FollowEventKind::stopped);
    diagnostics.flush();
    EXPECT_TRUE(diagnostics.enabled());
    EXPECT_FALSE(diagnostics.filePath());
    EXPECT_FALSE(std::filesystem::is_directory(dir.path() / "state"));
}

} // namespace
