#pragma once

#include "base/Published.h"
#include "base/Subscription.h"
#include "core/PrompterTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tavilo {

class PrompterModel;
class TimerEngine;

// What the timer badge draws at a moment.
struct TimerBadgeContent {
    bool visible = false;
    TimerMode mode = TimerMode::off; // picks the icon
    std::string text;
    bool targetPassed = false;

    bool operator==(const TimerBadgeContent&) const = default;
};

// The badge's logic, apart from the widget: follows the model and the clock, publishes the
// content only when it changes (so the badge redraws at most at the clock's 4 Hz), and taps
// the haptic once each time the count-down target is crossed; a reset re-arms it.
class TimerBadgeState {
public:
    using Haptic = std::function<void()>;

    TimerBadgeState(const PrompterModel& model, const TimerEngine& timer, Haptic haptic);
    TimerBadgeState(const TimerBadgeState&) = delete;
    TimerBadgeState& operator=(const TimerBadgeState&) = delete;

    const Published<TimerBadgeContent>& content() const { return m_content; }
    bool firedTargetHaptic() const { return m_firedTargetHaptic; }

private:
    void refresh();
    void elapsedChanged();

    const PrompterModel& m_model;
    const TimerEngine& m_timer;
    Haptic m_haptic;
    bool m_firedTargetHaptic = false;
    int64_t m_scriptWords = 0; // the estimate's word count, kept from the last script change
    Published<TimerBadgeContent> m_content;
    SubscriptionBag m_subscriptions;
};

} // namespace tavilo
