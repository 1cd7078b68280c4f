#pragma once

#include "base/Published.h"
#include "base/Subscription.h"
#include "desktop/HotkeyGroupRules.h"

#include <optional>

namespace tavilo {

class GlobalHotkeyManager;

// The inputs of the group rules as observable values. A source left empty keeps its input at
// the default of HotkeyGroupInputs (for a part of the app that does not exist yet).
struct HotkeyGroupSources {
    std::optional<Source<bool>> handsFreeKeysEnabled;
    std::optional<Source<bool>> isRunning;
    std::optional<Source<bool>> cueMode; // readingMode == cue
    std::optional<Source<bool>> spacePauseEnabled;
    std::optional<Source<bool>> scrollSessionActive;
    std::optional<Source<bool>> isListening;
    std::optional<Source<bool>> applicationActive; // every activation and deactivation event
};

// Keeps the hands-free groups of the hotkey manager in step with the model: each input
// re-evaluates the groups that depend on it, and a group is switched only when its computed
// value differs from the manager's flag. Create it after the manager's registerAll(), which
// starts from nothing. Main thread only.
class HotkeyGroupWiring {
public:
    HotkeyGroupWiring(GlobalHotkeyManager& manager, const HotkeyGroupSources& sources);
    HotkeyGroupWiring(const HotkeyGroupWiring&) = delete;
    HotkeyGroupWiring& operator=(const HotkeyGroupWiring&) = delete;

    const HotkeyGroupInputs& inputs() const { return m_inputs; }

    // Ends the observation; the groups stay as they are.
    void cancel() { m_subscriptions.cancelAll(); }

private:
    enum Groups : unsigned { speed = 1, cue = 2, playPause = 4 };

    void watch(const std::optional<Source<bool>>& source, bool HotkeyGroupInputs::*input, unsigned groups,
        bool dropRepeats = true);
    void reevaluate(unsigned groups);

    GlobalHotkeyManager& m_manager;
    HotkeyGroupInputs m_inputs;
    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
