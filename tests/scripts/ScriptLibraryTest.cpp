#include "TempDir.h"
#include "base/ManualLoop.h"
#include "scripts/ScriptLibrary.h"
#include "strings/LocalizationManager.h"

#include <gtest/gtest.h>

using namespace tavilo;

namespace {

const char* const kKey = ScriptLibrary::kStorageKey;
const char* const kAsideKey = ScriptLibrary::kUnreadableKey;

class ScriptLibraryTest : public testing::Test {
protected:
    ManualLoop m_loop { Date::fromReferenceSeconds(800000000.0) };
    PreferencesStore m_preferences;
    NotificationCenter m_notifications;

    std::string stored() const { return stringFromBytes(m_preferences.readData(kKey).value_or(Bytes {})); }
};

} // namespace

TEST_F(ScriptLibraryTest, StartsEmptyAndWritesNothingUntilTheFirstChange)
{
    ScriptLibrary library(m_preferences, m_loop);
    EXPECT_TRUE(library.items().empty());
    EXPECT_FALSE(library.foundUnreadableData());
    EXPECT_FALSE(m_preferences.contains(kKey));
}

TEST_F(ScriptLibraryTest, AddPutsTheNewItemInFrontAndStoresCompactJson)
{
    ScriptLibrary library(m_preferences, m_loop);
    size_t deliveries = 0;
    auto observation = library.items.observeChanges([&](const auto&) { ++deliveries; });

    const Uuid first = library.add("First", "one");
    m_loop.advanceSeconds(10.5);
    const Uuid second = library.add("Second \"quoted\"", "two\nlines");

    ASSERT_EQ(library.items().size(), 2u);
    EXPECT_EQ(library.items()[0].id, second);
    EXPECT_EQ(library.items()[1].id, first);
    EXPECT_EQ(library.items()[0].updatedAt, Date::fromReferenceSeconds(800000010.5));
    EXPECT_EQ(deliveries, 2u);
    EXPECT_EQ(stored(),
        "[{\"id\":\"" + second.toString() + "\",\"title\":\"Second \\\"quoted\\\"\",\"content\":\"two\\nlines\",\"updatedAt\":800000010.5},"
        "{\"id\":\"" + first.toString() + "\",\"title\":\"First\",\"content\":\"one\",\"updatedAt\":800000000.0}]");
}

TEST_F(ScriptLibraryTest, EditsStampAndSaveOnlyRealChanges)
{
    ScriptLibrary library(m_preferences, m_loop);
    const Uuid a = library.add("A", "alpha");
    const Uuid b = library.add("B", "beta");
    m_loop.advanceSeconds(5);

    // The same text again changes nothing and writes nothing.
    m_preferences.writeData(kKey, bytesFromString("marker"));
    library.setContent("alpha", a);
    library.setTitle("A", a);
    library.setTitle("Z", Uuid::create());
    EXPECT_EQ(stored(), "marker");
    EXPECT_EQ(library.items()[1].updatedAt, Date::fromReferenceSeconds(800000000.0));

    library.setContent("alpha 2", a);
    EXPECT_EQ(library.content(a), "alpha 2");
    EXPECT_EQ(library.items()[1].updatedAt, Date::fromReferenceSeconds(800000005.0));
    EXPECT_EQ(library.items()[1].id, a) << "edits never move an item";
    EXPECT_NE(stored(), "marker");

    library.setTitle("B 2", b);
    EXPECT_EQ(library.title(b), "B 2");
    EXPECT_EQ(library.title(Uuid::create()), std::nullopt);
    EXPECT_EQ(library.content(Uuid::create()), std::nullopt);

    library.remove(b);
    EXPECT_FALSE(library.contains(b));
    EXPECT_TRUE(library.contains(a));
    EXPECT_EQ(ScriptLibrary::decode(*m_preferences.readData(kKey))->size(), 1u);
}

TEST_F(ScriptLibraryTest, SurvivesARestartThroughTheStoreFile)
{
    TempDir dir;
    const auto file = dir.path() / "preferences.json";
    std::vector<ScriptItem> saved;
    {
        PreferencesStore preferences(file, nullptr);
        ScriptLibrary library(preferences, m_loop);
        library.add("标题", "正文 ✓\n第二行");
        m_loop.advanceSeconds(0.25);
        library.add("Second", "");
        saved = library.items();
    }
    PreferencesStore preferences(file, nullptr);
    ScriptLibrary library(preferences, m_loop);
    EXPECT_EQ(library.items(), saved);
}

TEST_F(ScriptLibraryTest, MalformedUtf8InATextStillSavesTheLibrary)
{
    ScriptLibrary library(m_preferences, m_loop);
    library.add("ok", "fine");
    library.add("bad \xff title", "x");
    const auto decoded = ScriptLibrary::decode(*m_preferences.readData(kKey));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 2u);
    EXPECT_EQ((*decoded)[0].title, "bad \uFFFD title");
}

struct DecodeCase {
    const char* name;
    std::string json;
    bool decodes;
};

class ScriptLibraryDecodeTest : public testing::TestWithParam<DecodeCase> { };

TEST_P(ScriptLibraryDecodeTest, DecodesAllOrNothing)
{
    const auto decoded = ScriptLibrary::decode(bytesFromString(GetParam().json));
    EXPECT_EQ(decoded.has_value(), GetParam().decodes);
}

#define GOOD_ITEM R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"t","content":"c","updatedAt":1.5})"

INSTANTIATE_TEST_SUITE_P(Documents, ScriptLibraryDecodeTest,
    testing::Values(DecodeCase { "empty list", "[]", true },
        DecodeCase { "good", "[" GOOD_ITEM "]", true },
        DecodeCase { "lower-case id, whole-number date, extra key",
            R"([{"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","title":"t","content":"c","updatedAt":2,"x":1}])", true },
        DecodeCase { "not JSON", "[{", false },
        DecodeCase { "empty data", "", false },
        DecodeCase { "an object, not a list", GOOD_ITEM, false },
        DecodeCase { "one item lacks updatedAt",
            "[" GOOD_ITEM R"(,{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E50","title":"t","content":"c"}])", false },
        DecodeCase { "id is not a UUID", R"([{"id":"nope","title":"t","content":"c","updatedAt":1}])", false },
        DecodeCase { "title is a number", R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":1,"content":"c","updatedAt":1}])", false },
        DecodeCase { "date is text", R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"t","content":"c","updatedAt":"1"}])", false },
        DecodeCase { "an element is not an object", "[" GOOD_ITEM ",3]", false }),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.name))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(ScriptLibraryTest, UnreadableDataIsKeptAsideOnceBeforeTheFirstSave)
{
    const std::string broken = "[" GOOD_ITEM R"(,{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E50","title":"t","content":"c"}])";
    m_preferences.writeData(kKey, bytesFromString(broken));

    ScriptLibrary library(m_preferences, m_loop);
    EXPECT_TRUE(library.items().empty());
    EXPECT_TRUE(library.foundUnreadableData());
    EXPECT_EQ(stored(), broken) << "nothing is touched before a change";
    EXPECT_FALSE(m_preferences.contains(kAsideKey));

    const Uuid id = library.add("New", "text");
    EXPECT_EQ(m_preferences.readData(kAsideKey), bytesFromString(broken));
    EXPECT_EQ(ScriptLibrary::decode(*m_preferences.readData(kKey))->front().id, id);

    m_preferences.writeData(kAsideKey, bytesFromString("later"));
    library.setContent("more text", id);
    EXPECT_EQ(m_preferences.readData(kAsideKey), bytesFromString("later"));
}

TEST_F(ScriptLibraryTest, AnEarlierCopyKeptAsideIsNeverOverwritten)
{
    m_preferences.writeData(kAsideKey, bytesFromString("first incident"));
    m_preferences.writeText(kKey, "second incident");
    ScriptLibrary library(m_preferences, m_loop);
    library.add("New", "");
    EXPECT_EQ(m_preferences.readData(kAsideKey), bytesFromString("first incident"));
    EXPECT_EQ(m_preferences.readText(std::string(kAsideKey) + "-" + m_loop.currentDate().compactUtcStamp()),
        "second incident");
}

TEST_F(ScriptLibraryTest, AStoredValueOfAnotherTypeIsKeptAsideToo)
{
    m_preferences.writeText(kKey, "not a byte block");
    ScriptLibrary library(m_preferences, m_loop);
    EXPECT_TRUE(library.foundUnreadableData());
    library.add("New", "");
    EXPECT_EQ(m_preferences.readText(kAsideKey), "not a byte block");
    EXPECT_EQ(library.items().size(), 1u);
}

TEST_F(ScriptLibraryTest, CreatesTheEditorsItemsInTheCurrentLanguage)
{
    LocalizationManager localization(m_preferences, m_notifications);
    ScriptLibrary library(m_preferences, m_loop);

    EXPECT_EQ(library.addFromText(" \n\t\n", localization), std::nullopt);
    EXPECT_TRUE(library.items().empty());

    const auto fromText = library.addFromText("\n\n  第一行标题  \n正文", localization);
    ASSERT_TRUE(fromText);
    EXPECT_EQ(library.title(*fromText), "第一行标题");
    EXPECT_EQ(library.content(*fromText), "\n\n  第一行标题  \n正文");

    EXPECT_EQ(library.title(library.addCueTemplate(localization)), "随讲示例");
    localization.setLanguage(AppLanguage::en);
    const Uuid blank = library.addBlankScript(localization);
    EXPECT_EQ(library.title(blank), "Untitled script");
    EXPECT_EQ(library.content(blank), "");
}

struct NeighbourCase {
    std::optional<int> from; // index into A, B, C; -1 is an id the library does not hold
    bool forward;
    int expected;
};

class NeighbourTest : public testing::TestWithParam<NeighbourCase> { };

TEST_P(NeighbourTest, WrapsRoundAtBothEnds)
{
    ManualLoop loop;
    PreferencesStore preferences;
    ScriptLibrary library(preferences, loop);
    library.add("C", "");
    library.add("B", "");
    library.add("A", "");
    const auto& items = library.items();
    const auto& c = GetParam();
    std::optional<Uuid> from;
    if (c.from)
        from = *c.from < 0 ? Uuid::create() : items[static_cast<size_t>(*c.from)].id;
    EXPECT_EQ(library.neighbour(from, c.forward), items[static_cast<size_t>(c.expected)].id);
}

INSTANTIATE_TEST_SUITE_P(ThreeItems, NeighbourTest,
    testing::Values(NeighbourCase { 2, true, 0 }, NeighbourCase { 0, false, 2 }, NeighbourCase { 0, true, 1 },
        NeighbourCase { 1, false, 0 }, NeighbourCase { std::nullopt, true, 0 }, NeighbourCase { std::nullopt, false, 2 },
        NeighbourCase { -1, true, 0 }, NeighbourCase { -1, false, 2 }));

TEST(Neighbour, OneItemIsItsOwnNeighbourAndNoItemsGiveNone)
{
    ManualLoop loop;
    PreferencesStore preferences;
    ScriptLibrary library(preferences, loop);
    EXPECT_EQ(library.neighbour(std::nullopt, true), std::nullopt);
    EXPECT_EQ(library.neighbour(Uuid::create(), false), std::nullopt);
    const Uuid only = library.add("Only", "");
    EXPECT_EQ(library.neighbour(only, true), only);
    EXPECT_EQ(library.neighbour(only, false), only);
}
