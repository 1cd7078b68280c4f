#include "desktop/ShortcutCommand.h"

#include <gtest/gtest.h>

#include <set>

using namespace tavilo;

TEST(ShortcutCommandTest, TableIsInDeclarationOrderWithDistinctIdsAndKeys)
{
    std::set<std::uint32_t> ids;
    std::set<HotkeyKey> keys;
    size_t index = 0;
    for (const auto& info : shortcutCommands()) {
        EXPECT_EQ(static_cast<size_t>(info.command), index++);
        ids.insert(info.hotKeyID);
        keys.insert(info.key);
        EXPECT_EQ(info.chordText.substr(0, 9), "Ctrl+Alt+");
        EXPECT_EQ(shortcutCommandNamed(info.name), info.command);
    }
    EXPECT_EQ(ids.size(), 13u);
    EXPECT_EQ(keys.size(), 13u);
    EXPECT_EQ(hotKeyID(ShortcutCommand::cueOverview), 13u);
    EXPECT_EQ(chordText(ShortcutCommand::speedUp), "Ctrl+Alt+=");
    EXPECT_EQ(chordText(ShortcutCommand::scriptPrev), "Ctrl+Alt+[");
}

TEST(ShortcutCommandTest, UnknownNamesAreRejected)
{
    EXPECT_EQ(shortcutCommandNamed("StartPause"), std::nullopt);
    EXPECT_EQ(shortcutCommandNamed(""), std::nullopt);
}

TEST(ShortcutCommandTest, SignatureIsBLHK)
{
    EXPECT_EQ(hotkeySignature, 0x424C484Bu);
}
