#include "desktop/HotkeyGroupWiring.h"

#include "desktop/GlobalHotkeyManager.h"

namespace tavilo {

HotkeyGroupWiring::HotkeyGroupWiring(GlobalHotkeyManager& manager, const HotkeyGroupSources& sources)
    : m_manager(manager)
{
    // Every rule is a conjunction and the defaults keep each group off, so evaluating while
    // the sources are still being subscribed one by one never switches a group on early.
    watch(sources.isRunning, &HotkeyGroupInputs::isRunning, speed);
    watch(sources.handsFreeKeysEnabled, &HotkeyGroupInputs::handsFreeKeysEnabled, speed | cue | playPause);
    // A change of reading mode settles the cue groups before Space.
    watch(sources.cueMode, &HotkeyGroupInputs::cueMode, cue | playPause);
    watch(sources.isListening, &HotkeyGroupInputs::isListening, playPause);
    watch(sources.scrollSessionActive, &HotkeyGroupInputs::scrollSessionActive, playPause);
    watch(sources.spacePauseEnabled, &HotkeyGroupInputs::spacePauseEnabled, playPause);
    watch(sources.applicationActive, &HotkeyGroupInputs::applicationActive, playPause, false);
}

void HotkeyGroupWiring::watch(const std::optional<Source<bool>>& source, bool HotkeyGroupInputs::*input,
    unsigned groups, bool dropRepeats)
{
    if (!source)
        return;
    auto shaped = dropRepeats ? removeDuplicates(*source) : *source;
    m_subscriptions += shaped.subscribe([this, input, groups](const bool& value) {
        m_inputs.*input = value;
        reevaluate(groups);
    });
}

void HotkeyGroupWiring::reevaluate(unsigned groups)
{
    // The manager switches a group only when the value differs from its flag.
    if (groups & speed)
        m_manager.setSpeedKeysActive(speedKeysWanted(m_inputs));
    if (groups & cue)
        m_manager.setCueGroupsActive(cueGroupsWanted(m_inputs));
    if (groups & playPause)
        m_manager.setPlayPauseActive(playPauseWanted(m_inputs));
}

} // namespace tavilo
