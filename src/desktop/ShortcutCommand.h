#pragma once

#include "desktop/HotkeyBackend.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavilo {

// The commands of the fixed hotkeys, in declaration order: the order of registration and of
// the warning list.
enum class ShortcutCommand : std::uint8_t {
    startPause,
    reset,
    jumpBack,
    togglePrivacy,
    toggleOverlay,
    speedUp,
    speedDown,
    cueToggle,
    cueNext,
    cuePrev,
    cueOverview,
    scriptNext,
    scriptPrev,
};

struct ShortcutCommandInfo {
    ShortcutCommand command;
    std::string_view name; // the case name, also what `--command` accepts
    std::uint32_t hotKeyID;
    HotkeyKey key;
    std::string_view chordText;
};

// The one table of the fixed hotkeys, in declaration order.
const std::array<ShortcutCommandInfo, 13>& shortcutCommands();

const ShortcutCommandInfo& shortcutCommandInfo(ShortcutCommand command);

inline std::uint32_t hotKeyID(ShortcutCommand command) { return shortcutCommandInfo(command).hotKeyID; }
inline HotkeyKey hotkeyKey(ShortcutCommand command) { return shortcutCommandInfo(command).key; }
inline std::string_view chordText(ShortcutCommand command) { return shortcutCommandInfo(command).chordText; }
inline std::string_view commandName(ShortcutCommand command) { return shortcutCommandInfo(command).name; }

// The command whose case name is `name` ("startPause"), for the command channel.
std::optional<ShortcutCommand> shortcutCommandNamed(std::string_view name);

} // namespace tavilo
