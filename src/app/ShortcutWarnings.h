#pragma once

#include "desktop/ShortcutCommand.h"

#include <string>
#include <vector>

namespace tavilo {

class LocalizationManager;

// The disabled lines at the top of the status menu that name the chords another program
// holds: none; one line naming the chord; or a count and a line listing the chords in
// registration order.
std::vector<std::string> shortcutWarningLines(const std::vector<ShortcutCommand>& failed, const LocalizationManager& texts);

} // namespace tavilo
