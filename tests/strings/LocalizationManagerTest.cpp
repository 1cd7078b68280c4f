#include "strings/LocalizationManager.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavilo;

namespace {

struct World {
    PreferencesStore preferences;
    NotificationCenter notifications;
};

} // namespace

struct StoredLanguageCase {
    std::optional<PreferenceValue> stored;
    AppLanguage expected;
    const char* menuStart;
};

class StoredLanguageTest : public testing::TestWithParam<StoredLanguageCase> { };

TEST_P(StoredLanguageTest, ChoosesTheLanguageAtStart)
{
    const auto& c = GetParam();
    World world;
    if (c.stored)
        world.preferences.writeObject(LocalizationManager::kLanguageKey, *c.stored);
    LocalizationManager manager(world.preferences, world.notifications);
    EXPECT_EQ(manager.currentLanguage(), c.expected);
    EXPECT_EQ(manager.text(LK::menuStart), c.menuStart);
    // Reading the language never writes it back.
    if (c.stored)
        EXPECT_EQ(world.preferences.readObject(LocalizationManager::kLanguageKey), c.stored);
    else
        EXPECT_FALSE(world.preferences.contains(LocalizationManager::kLanguageKey));
}

INSTANTIATE_TEST_SUITE_P(Values, StoredLanguageTest,
    testing::Values(StoredLanguageCase { std::nullopt, AppLanguage::zhHans, "开始" },
        StoredLanguageCase { PreferenceValue(std::string("en")), AppLanguage::en, "Start" },
        StoredLanguageCase { PreferenceValue(std::string("zh-Hans")), AppLanguage::zhHans, "开始" },
        StoredLanguageCase { PreferenceValue(std::string("fr")), AppLanguage::zhHans, "开始" },
        StoredLanguageCase { PreferenceValue(std::string("zh")), AppLanguage::zhHans, "开始" },
        StoredLanguageCase { PreferenceValue(int64_t { 1 }), AppLanguage::zhHans, "开始" }));

TEST(LocalizationManager, ARealChangeIsStoredAndAnnouncedOnce)
{
    World world;
    LocalizationManager manager(world.preferences, world.notifications);
    std::vector<std::string> textsSeenByObservers;
    auto notified = world.notifications.addObserver(LocalizationManager::kLanguageDidChangeNotification,
        [&](const Notification&) { textsSeenByObservers.push_back(manager.text(LK::menuStart)); });
    std::vector<AppLanguage> published;
    auto observed = manager.language().observeChanges([&](AppLanguage language) { published.push_back(language); });

    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(world.preferences.readText(LocalizationManager::kLanguageKey), "en");
    EXPECT_EQ(textsSeenByObservers, std::vector<std::string> { "Start" });
    EXPECT_EQ(published, std::vector<AppLanguage> { AppLanguage::en });

    // Picking the same language again neither writes nor posts.
    world.preferences.writeText(LocalizationManager::kLanguageKey, "marker");
    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(world.preferences.readText(LocalizationManager::kLanguageKey), "marker");
    EXPECT_EQ(textsSeenByObservers.size(), 1u);
    EXPECT_EQ(published.size(), 1u);

    manager.setLanguage(AppLanguage::zhHans);
    EXPECT_EQ(world.preferences.readText(LocalizationManager::kLanguageKey), "zh-Hans");
    EXPECT_EQ(textsSeenByObservers, (std::vector<std::string> { "Start", "开始" }));
}

TEST(LocalizationManager, FormatsAndGivesTheFirstRunScriptInTheCurrentLanguage)
{
    World world;
    LocalizationManager manager(world.preferences, world.notifications);
    EXPECT_EQ(manager.format(LK::cueOverviewTitle, { 3 }), "总览 · 共 3 点");
    EXPECT_EQ(manager.defaultScript(), "在这里粘贴你的稿件。\n\n提示：用菜单栏图标或快捷键开始/暂停、重置滚动。");
    manager.setLanguage(AppLanguage::en);
    EXPECT_EQ(manager.format(LK::cueOverviewTitle, { 3 }), "Overview · 3 points");
    EXPECT_EQ(manager.defaultScript(), "Paste your script here.\n\nTip: Use the menu bar icon to start/pause or reset the scroll.");
}

TEST(AppLanguage, RawValuesAndFixedNames)
{
    EXPECT_EQ(rawValue(AppLanguage::zhHans), "zh-Hans");
    EXPECT_EQ(rawValue(AppLanguage::en), "en");
    EXPECT_EQ(displayName(AppLanguage::zhHans), "简体中文");
    EXPECT_EQ(displayName(AppLanguage::en), "English");
    EXPECT_EQ(appLanguageFromRawValue("en"), AppLanguage::en);
    EXPECT_EQ(appLanguageFromRawValue("EN"), std::nullopt);
}
