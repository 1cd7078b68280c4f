#pragma once

#include "base/MainLoop.h"
#include "base/Published.h"
#include "base/Subscription.h"
#include "core/MiniPrompterEngine.h"

#include <string_view>

namespace tavilo {

class PrompterModel;

// What changed in the mini prompter, for its view.
enum class MiniPrompterChange {
    content, // the sentence shown or the list of sentences: measure again
    frame,   // only the time within the sentence moved (a long sentence pans)
};

// Binds the mini prompter's engine to the model while its view is shown: follows the script and
// the reset, jump-back and run-state changes, and ticks at 60 Hz on the main loop. Its state
// lives only while active, so showing it again starts at the first sentence. At the end of the
// text in stop mode it calls the model's reachedEnd(), as the scroll engine does.
class MiniPrompter {
public:
    // Rounded, not truncated, to whole nanoseconds: sixty frames then make at least a second, so
    // a one-second sentence ends on its sixtieth frame.
    static constexpr Duration kFrameInterval = std::chrono::round<Duration>(Seconds(1.0 / 60.0));

    MiniPrompter(PrompterModel& model, MainLoop& loop);
    ~MiniPrompter();
    MiniPrompter(const MiniPrompter&) = delete;
    MiniPrompter& operator=(const MiniPrompter&) = delete;

    // The view appears: fresh state built from the current script. Activating while active
    // does nothing.
    void activate();
    // The view goes: the subscriptions and the frame timer stop.
    void deactivate();
    bool isActive() const { return m_active; }

    const MiniPrompterEngine& engine() const { return m_engine; }
    bool hasSentences() const { return m_engine.hasSentences(); }
    std::string_view currentSentence() const { return m_engine.currentSentence(); }
    // The current sentence's duration at the model's speed now.
    double currentDuration() const;
    // Where the current sentence stands in a view of that width, given its measured width.
    MiniPan pan(double viewWidth, double textWidth) const;

    // Sent after every change of what the view shows.
    const Subject<MiniPrompterChange>& changes() const { return m_changes; }

private:
    void updateFrameTimer();
    void frame();

    PrompterModel& m_model;
    MainLoop& m_loop;
    MiniPrompterEngine m_engine;
    bool m_active = false;
    TimerHandle m_frameTimer;
    MonotonicTime m_nextFrameDue {};
    SubscriptionBag m_subscriptions;
    Subject<MiniPrompterChange> m_changes;
};

} // namespace tavilo
