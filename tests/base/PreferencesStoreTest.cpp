#include "base/ManualLoop.h"
#include "base/PreferencesStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tavilo;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {
std::string slurp(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void spit(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}
} // namespace

TEST(PreferencesStore, TypedValuesSurviveARestart)
{
    TempDir dir;
    const auto file = dir.path() / "Tavilo" / "preferences.json";
    {
        PreferencesStore store(file, nullptr);
        store.writeBool("b", true);
        store.writeInteger("i", 42);
        store.writeDouble("d", 80.0);
        store.writeText("t", "澜屿");
        store.writeData("blob", bytesFromString("[1,2]"));
        store.writeText("gone", "x");
        store.remove("gone");
    }
    PreferencesStore store(file, nullptr);
    EXPECT_TRUE(store.readBool("b"));
    EXPECT_EQ(std::get<int64_t>(*store.readObject("i")), 42);
    EXPECT_EQ(std::get<double>(*store.readObject("d")), 80.0); // a double stays a double
    EXPECT_EQ(store.readText("t"), "澜屿");
    EXPECT_EQ(store.readData("blob"), bytesFromString("[1,2]"));
    EXPECT_FALSE(store.readObject("gone"));
    const std::string text = slurp(file);
    EXPECT_NE(text.find("\"data\": \"WzEsMl0=\""), std::string::npos) << text;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(PreferencesStore, WrongTypesReadAsMissing)
{
    PreferencesStore store;
    store.writeText("k", "true");
    EXPECT_FALSE(store.readBool("k"));
    EXPECT_FALSE(store.readNumber("k"));
    EXPECT_FALSE(store.readData("k"));
    store.writeDouble("n", 2.5);
    EXPECT_FALSE(store.readInteger("n"));
    EXPECT_FALSE(store.readText("n"));
    EXPECT_EQ(store.readNumber("n"), 2.5);
}

TEST(PreferencesStore, WritesBehindOnTheLoopAndFlushesOnDestruction)
{
    TempDir dir;
    ManualLoop loop;
    const auto file = dir.path() / "preferences.json";
    {
        PreferencesStore store(file, &loop, 100ms);
        store.writeInteger("a", 1);
        store.writeInteger("b", 2);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(store.readInteger("b"), 2); // reads see writes at once
        loop.advance(100ms);
        EXPECT_TRUE(fs::exists(file));
        store.writeInteger("c", 3);
    }
    PreferencesStore reread(file, nullptr);
    EXPECT_EQ(reread.readInteger("c"), 3);
}

TEST(PreferencesStore, UnreadableFileIsMovedAsideBeforeTheFirstWrite)
{
    TempDir dir;
    const auto file = dir.path() / "preferences.json";
    for (const char* broken : { "{ \"script\": \"half", "[1, 2, 3]" }) {
        fs::remove_all(dir.path());
        spit(file, broken);
        PreferencesStore store(file, nullptr);
        EXPECT_TRUE(store.foundUnreadableFile());
        EXPECT_FALSE(store.readObject("script"));
        EXPECT_EQ(slurp(file), broken); // nothing written yet, nothing touched
        store.writeBool("hasSavedSession", true);
        ASSERT_TRUE(store.unreadableCopy());
        EXPECT_EQ(slurp(*store.unreadableCopy()), broken);
        EXPECT_NE(store.unreadableCopy()->filename().string().find("preferences.json.unreadable-"), std::string::npos);
        EXPECT_TRUE(PreferencesStore(file, nullptr).readBool("hasSavedSession"));
    }
}

TEST(PreferencesStore, FailedWriteKeepsTheOldFileAndReportsTheError)
{
    TempDir dir;
    const auto file = dir.path() / "preferences.json";
    PreferencesStore store(file, nullptr);
    store.writeInteger("a", 1);
    // A file-size limit makes the write fail with EFBIG, for root too.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    store.writeText("a", std::string(10000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previousHandler);
    ASSERT_TRUE(store.lastWriteError());
    EXPECT_EQ(store.lastWriteError()->code, EFBIG);
    EXPECT_TRUE(store.hasUnflushedChanges());
    EXPECT_EQ(PreferencesStore(file, nullptr).readInteger("a"), 1);
    size_t leftovers = 0;
    for (auto& entry : fs::directory_iterator(dir.path()))
        leftovers += entry.path().filename() != "preferences.json";
    EXPECT_EQ(leftovers, 0u); // no temporary file left behind
}

TEST(PreferencesStore, TextThatIsNotUtf8IsSavedWithReplacementCharacters)
{
    TempDir dir;
    const auto file = dir.path() / "preferences.json";
    {
        PreferencesStore store(file, nullptr);
        store.writeText("script", "bad \xC3 byte");
        EXPECT_FALSE(store.lastWriteError());
    }
    EXPECT_EQ(PreferencesStore(file, nullptr).readText("script"), "bad \xEF\xBF\xBD byte");
}
