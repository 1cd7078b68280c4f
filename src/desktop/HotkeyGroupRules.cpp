#include "desktop/HotkeyGroupRules.h"

namespace tavilo {

bool speedKeysWanted(const HotkeyGroupInputs& inputs)
{
    return inputs.handsFreeKeysEnabled && inputs.isRunning;
}

bool cueGroupsWanted(const HotkeyGroupInputs& inputs)
{
    return inputs.handsFreeKeysEnabled && inputs.cueMode;
}

bool playPauseWanted(const HotkeyGroupInputs& inputs)
{
    return inputs.handsFreeKeysEnabled && inputs.spacePauseEnabled && inputs.scrollSessionActive
        && !inputs.cueMode && !inputs.isListening && !inputs.applicationActive;
}

} // namespace tavilo
