#include "app/ShortcutWarnings.h"
#include "strings/LocalizationManager.h"

#include <gtest/gtest.h>

using namespace tavilo;

TEST(ShortcutWarnings, NoneOneOrACountWithTheChordsInOrder)
{
    PreferencesStore store;
    store.writeText("appLanguage", "en");
    NotificationCenter center;
    LocalizationManager texts(store, center);
    EXPECT_TRUE(shortcutWarningLines({}, texts).empty());
    EXPECT_EQ(shortcutWarningLines({ ShortcutCommand::startPause }, texts),
        (std::vector<std::string> { "Shortcut unavailable: Ctrl+Alt+P (in use by another app)" }));
    EXPECT_EQ(shortcutWarningLines({ ShortcutCommand::togglePrivacy, ShortcutCommand::toggleOverlay }, texts),
        (std::vector<std::string> { "Shortcuts unavailable (2)", "In use by another app: Ctrl+Alt+H, Ctrl+Alt+O" }));
}
