#include "core/MiniPrompter.h"

#include "core/PrompterModel.h"

#include <algorithm>

namespace tavilo {

MiniPrompter::MiniPrompter(PrompterModel& model, MainLoop& loop)
    : m_model(model)
    , m_loop(loop)
{
}

MiniPrompter::~MiniPrompter()
{
    deactivate();
}

void MiniPrompter::activate()
{
    if (m_active)
        return;
    m_active = true;
    m_engine = MiniPrompterEngine();
    m_engine.rebuild(m_model.cueScript().spokenOnly);

    // The outline is re-parsed only when the script's text really changes, which is exactly
    // when the sentences are rebuilt.
    m_subscriptions += m_model.cueScript.observeChanges([this](const CueScript& outline) {
        m_engine.rebuild(outline.spokenOnly);
        m_changes.send(MiniPrompterChange::content);
    });
    m_subscriptions += m_model.resetToken.observeChanges([this](const Uuid&) {
        m_engine.reset();
        m_changes.send(MiniPrompterChange::content);
    });
    m_subscriptions += m_model.jumpBackToken.observeChanges([this](const Uuid&) {
        m_engine.jumpBack();
        m_changes.send(MiniPrompterChange::content);
    });
    m_subscriptions += m_model.isRunning.observeChanges([this](bool) {
        m_engine.runningChanged();
        updateFrameTimer();
    });
    updateFrameTimer();
    m_changes.send(MiniPrompterChange::content);
}

void MiniPrompter::deactivate()
{
    if (!m_active)
        return;
    m_active = false;
    m_subscriptions.cancelAll();
    m_frameTimer.cancel();
}

double MiniPrompter::currentDuration() const
{
    return m_engine.currentDuration(m_model.speedPointsPerSecond());
}

MiniPan MiniPrompter::pan(double viewWidth, double textWidth) const
{
    return MiniPrompterEngine::pan(viewWidth, textWidth, m_engine.sentenceElapsed(), currentDuration());
}

void MiniPrompter::updateFrameTimer()
{
    // While the model is not running a frame only notes its time, and the change of isRunning
    // clears that note anyway, so the frames run only while running: an idle prompter costs
    // nothing.
    const bool wanted = m_active && m_model.isRunning();
    if (!wanted) {
        m_frameTimer.cancel();
        return;
    }
    if (m_frameTimer.isPending())
        return;
    m_nextFrameDue = m_loop.now() + kFrameInterval;
    m_frameTimer = m_loop.schedule(kFrameInterval, [this] { frame(); });
}

void MiniPrompter::frame()
{
    const MonotonicTime now = m_loop.now();
    // Keep a steady cadence: the next frame is due one interval after this one was due.
    while (m_nextFrameDue <= now)
        m_nextFrameDue += kFrameInterval;
    m_frameTimer = m_loop.schedule(std::max(Duration::zero(), m_nextFrameDue - now), [this] { frame(); });

    const MiniTickOutcome outcome
        = m_engine.tick(now, m_model.isRunning(), m_model.speedPointsPerSecond(), m_model.scrollMode());
    switch (outcome) {
    case MiniTickOutcome::idle:
        break;
    case MiniTickOutcome::advanced:
        m_changes.send(MiniPrompterChange::frame);
        break;
    case MiniTickOutcome::nextSentence:
    case MiniTickOutcome::wrapped:
        m_changes.send(MiniPrompterChange::content);
        break;
    case MiniTickOutcome::reachedEnd:
        // Pauses the run, which stops the frames through the isRunning observer.
        m_model.reachedEnd();
        break;
    }
}

} // namespace tavilo
