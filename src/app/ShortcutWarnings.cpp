#include "ShortcutWarnings.h"

#include "strings/LocalizationManager.h"

namespace tavilo {

std::vector<std::string> shortcutWarningLines(const std::vector<ShortcutCommand>& failed, const LocalizationManager& texts)
{
    if (failed.empty())
        return {};
    if (failed.size() == 1)
        return { texts.format(LK::menuShortcutUnavailableOne, { std::string(chordText(failed[0])) }) };
    std::string chords;
    for (auto command : failed) {
        if (!chords.empty())
            chords += ", ";
        chords += chordText(command);
    }
    return { texts.format(LK::menuShortcutsUnavailableN, { static_cast<int64_t>(failed.size()) }),
        texts.format(LK::menuInUseByOther, { chords }) };
}

} // namespace tavilo
