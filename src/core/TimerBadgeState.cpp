#include "core/TimerBadgeState.h"

#include "core/PrompterModel.h"
#include "core/ReadingEstimate.h"
#include "core/RunTimerDisplay.h"
#include "core/TimerEngine.h"

namespace tavilo {

TimerBadgeState::TimerBadgeState(const PrompterModel& model, const TimerEngine& timer, Haptic haptic)
    : m_model(model)
    , m_timer(timer)
    , m_haptic(std::move(haptic))
{
    // Counting the script's words on every 4 Hz tick would scale with its length; count once
    // per change instead.
    m_subscriptions += m_model.script.observe([this](const std::string& script) {
        m_scriptWords = estimateWordCount(script);
        refresh();
    });
    m_subscriptions += m_timer.elapsed.observe([this](double) { elapsedChanged(); });
    auto refreshOn = [this](const auto&) { refresh(); };
    m_subscriptions += m_model.timerMode.observeChanges(refreshOn);
    m_subscriptions += m_model.timerTargetSeconds.observeChanges(refreshOn);
    m_subscriptions += m_model.hasStartedSession.observeChanges(refreshOn);
    m_subscriptions += m_model.isCountingDown.observeChanges(refreshOn);
    m_subscriptions += m_model.speedPointsPerSecond.observeChanges(refreshOn);
}

void TimerBadgeState::elapsedChanged()
{
    const bool passed = timerTargetPassed(m_model.timerMode(), m_timer.currentElapsed(), m_model.timerTargetSeconds());
    if (!passed) {
        m_firedTargetHaptic = false;
    } else if (!m_firedTargetHaptic) {
        m_firedTargetHaptic = true;
        if (m_haptic)
            m_haptic();
    }
    refresh();
}

void TimerBadgeState::refresh()
{
    const TimerMode mode = m_model.timerMode();
    const double elapsed = m_timer.currentElapsed();
    const double estimate = estimatedDurationForWords(m_scriptWords, m_model.speedPointsPerSecond());
    TimerBadgeContent next {
        timerBadgeVisible(mode, m_model.hasStartedSession(), m_model.isCountingDown()),
        mode,
        timerText(mode, elapsed, m_model.timerTargetSeconds(), estimate),
        timerTargetPassed(mode, elapsed, m_model.timerTargetSeconds()),
    };
    if (next != m_content.get())
        m_content = std::move(next);
}

} // namespace tavilo
