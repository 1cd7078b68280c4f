#include "base/AppPaths.h"
#include "base/Base64.h"
#include "base/Date.h"
#include "base/NotificationCenter.h"
#include "base/Uuid.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace tavilo;

TEST(Uuid, CanonicalUpperCaseTextRoundTrips)
{
    const Uuid id = Uuid::create();
    const std::string text = id.toString();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4'); // version 4
    for (char c : text)
        EXPECT_TRUE(c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << text;
    EXPECT_EQ(Uuid::fromString(text), id);
    EXPECT_NE(Uuid::create(), id);
}

TEST(Uuid, ParsingAcceptsEitherCaseAndRejectsOtherShapes)
{
    auto lower = Uuid::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->toString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    for (const char* bad : { "", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
             "G621E1F8-C36C-495A-93FC-0C247A3E6E5F", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}" })
        EXPECT_FALSE(Uuid::fromString(bad)) << bad;
}

TEST(Date, ReferenceIs2001InUtc)
{
    EXPECT_EQ(Date::fromUnixSeconds(978307200).sinceReference, 0);
    EXPECT_EQ(Date::fromReferenceSeconds(0).compactUtcStamp(), "20010101T000000Z");
    EXPECT_EQ(Date::fromReferenceSeconds(86400 + 3661.5).compactUtcStamp(), "20010102T010101Z");
}

TEST(Base64, RoundTripsAndRejectsMalformed)
{
    for (const std::string& s : std::vector<std::string> { "", "f", "fo", "foo", "foob", "fooba", "foobar", std::string("\0\xff\x10", 3) })
        EXPECT_EQ(base64Decode(base64Encode(bytesFromString(s))), bytesFromString(s));
    EXPECT_EQ(base64Encode(bytesFromString("foobar")), "Zm9vYmFy");
    EXPECT_FALSE(base64Decode("Zm9"));
    EXPECT_FALSE(base64Decode("Zm9v!"));
    EXPECT_FALSE(base64Decode("Zg==Zg=="));
}

TEST(AppPaths, FollowsXdgVariablesWithHomeFallbacks)
{
    std::map<std::string, const char*> env { { "HOME", "/home/ada" }, { "XDG_DATA_HOME", "/data" },
        { "XDG_STATE_HOME", "relative/ignored" } };
    auto paths = AppPaths::fromLookup([&](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second;
    });
    EXPECT_EQ(paths.preferencesFile(), "/home/ada/.config/Tavilo/preferences.json");
    EXPECT_EQ(paths.statsFile(), "/data/Tavilo/rehearsal_stats.json");
    EXPECT_EQ(paths.logsDir(), "/home/ada/.local/state/Tavilo/logs");
}

TEST(NotificationCenter, DeliversByNameUntilRemoved)
{
    NotificationCenter center;
    int language = 0, other = 0;
    auto a = center.addObserver("TaviloAppLanguageDidChange", [&](const Notification& n) {
        language += std::any_cast<int>(n.object);
    });
    auto b = center.addObserver("TaviloDidRecordSession", [&](const Notification&) { ++other; });
    center.post("TaviloAppLanguageDidChange", 5);
    a.cancel();
    center.post("TaviloAppLanguageDidChange", 5);
    EXPECT_EQ(language, 5);
    EXPECT_EQ(other, 0);
}
