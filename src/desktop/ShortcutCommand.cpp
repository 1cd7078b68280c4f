#include "desktop/ShortcutCommand.h"

#include <cassert>

namespace tavilo {

const std::array<ShortcutCommandInfo, 13>& shortcutCommands()
{
    // cueOverview has id 13 although it is declared before the script commands: the ids
    // were handed out as commands were added, the order is the menu's.
    static constexpr std::array<ShortcutCommandInfo, 13> table { {
        { ShortcutCommand::startPause, "startPause", 1, HotkeyKey::p, "Ctrl+Alt+P" },
        { ShortcutCommand::reset, "reset", 2, HotkeyKey::r, "Ctrl+Alt+R" },
        { ShortcutCommand::jumpBack, "jumpBack", 3, HotkeyKey::j, "Ctrl+Alt+J" },
        { ShortcutCommand::togglePrivacy, "togglePrivacy", 4, HotkeyKey::h, "Ctrl+Alt+H" },
        { ShortcutCommand::toggleOverlay, "toggleOverlay", 5, HotkeyKey::o, "Ctrl+Alt+O" },
        { ShortcutCommand::speedUp, "speedUp", 6, HotkeyKey::equal, "Ctrl+Alt+=" },
        { ShortcutCommand::speedDown, "speedDown", 7, HotkeyKey::minus, "Ctrl+Alt+-" },
        { ShortcutCommand::cueToggle, "cueToggle", 8, HotkeyKey::g, "Ctrl+Alt+G" },
        { ShortcutCommand::cueNext, "cueNext", 9, HotkeyKey::period, "Ctrl+Alt+." },
        { ShortcutCommand::cuePrev, "cuePrev", 10, HotkeyKey::comma, "Ctrl+Alt+," },
        { ShortcutCommand::cueOverview, "cueOverview", 13, HotkeyKey::l, "Ctrl+Alt+L" },
        { ShortcutCommand::scriptNext, "scriptNext", 11, HotkeyKey::bracketRight, "Ctrl+Alt+]" },
        { ShortcutCommand::scriptPrev, "scriptPrev", 12, HotkeyKey::bracketLeft, "Ctrl+Alt+[" },
    } };
    return table;
}

const ShortcutCommandInfo& shortcutCommandInfo(ShortcutCommand command)
{
    const auto& table = shortcutCommands();
    const auto index = static_cast<size_t>(command);
    assert(index < table.size() && table[index].command == command);
    return table[index];
}

std::optional<ShortcutCommand> shortcutCommandNamed(std::string_view name)
{
    for (const auto& info : shortcutCommands()) {
        if (info.name == name)
            return info.command;
    }
    return std::nullopt;
}

} // namespace tavilo
