#include "PrompterScroller.h"

#include "core/PrompterModel.h"

namespace tavilo {

namespace {

ScrollEngine::Inputs inputsFrom(const PrompterModel& model)
{
    ScrollEngine::Inputs in;
    in.text = model.cueScript().spokenOnly;
    in.fontSize = model.fontSize();
    in.speedPointsPerSecond = model.speedPointsPerSecond();
    in.isRunning = model.isRunning();
    in.hasStartedSession = model.hasStartedSession();
    in.fadeFraction = PrompterScroller::kEdgeFadeFraction;
    in.isHovering = false; // nothing on the panel reacts to the pointer hovering
    in.scrollMode = model.scrollMode();
    in.savedScrollPhaseForResume = model.savedScrollPhaseForResume;
    return in;
}

} // namespace

PrompterScroller::PrompterScroller(PrompterModel& model, ScrollDisplay& display)
    : m_model(model)
    , m_loop(model.loop())
    , m_display(display)
    , m_engine(inputsFrom(model))
    , m_backgroundOpacity(model.backgroundOpacity())
    , m_resetToken(model.resetToken())
    , m_jumpBackToken(model.jumpBackToken())
    , m_manualScrollToken(model.manualScrollToken())
{
    m_engine.onSaveScrollPhaseForResume = [this](double phase) { m_model.savedScrollPhaseForResume = phase; };
    m_engine.onReachedEnd = [this] {
        if (m_model.isRunning())
            m_model.reachedEnd();
    };

    // The values above are the creation inputs; from here on, changes react.
    m_subscriptions += m_model.cueScript.observeChanges([this](const CueScript& outline) {
        if (outline.spokenOnly == m_engine.inputs().text)
            return;
        m_engine.setText(outline.spokenOnly);
        m_display.scrollContentChanged();
        afterChange();
    });
    m_subscriptions += m_model.fontSize.observeChanges([this](double points) {
        if (m_followsModelFontSize)
            applyFontSize(points);
    });
    m_subscriptions += m_model.speedPointsPerSecond.observeChanges([this](double speed) {
        m_engine.setSpeedPointsPerSecond(speed);
    });
    m_subscriptions += m_model.isRunning.observeChanges([this](bool running) {
        m_engine.setRunning(running, m_loop.now());
        afterChange();
    });
    m_subscriptions += m_model.hasStartedSession.observeChanges([this](bool started) {
        m_engine.setHasStartedSession(started);
    });
    m_subscriptions += m_model.scrollMode.observeChanges([this](ScrollMode mode) {
        m_engine.setScrollMode(mode);
        afterChange();
    });
    m_subscriptions += m_model.backgroundOpacity.observeChanges([this](double opacity) {
        m_backgroundOpacity = opacity;
        afterChange();
    });
    // Tokens: only a value different from the one seen before is a command.
    m_subscriptions += m_model.resetToken.observeChanges([this](const Uuid& token) {
        if (token == m_resetToken)
            return;
        m_resetToken = token;
        m_engine.reset();
        afterChange();
    });
    m_subscriptions += m_model.jumpBackToken.observeChanges([this](const Uuid& token) {
        if (token == m_jumpBackToken)
            return;
        m_jumpBackToken = token;
        m_engine.jumpBack(m_model.jumpBackDistancePoints());
        afterChange();
    });
    m_subscriptions += m_model.manualScrollToken.observeChanges([this](const Uuid& token) {
        if (token == m_manualScrollToken)
            return;
        m_manualScrollToken = token;
        m_engine.manualStep(m_model.manualScrollDeltaPoints());
        afterChange();
    });
}

PrompterScroller::~PrompterScroller()
{
    m_subscriptions.cancelAll();
    m_frameTimer.cancel();
}

void PrompterScroller::setFixedFontSize(double points)
{
    m_followsModelFontSize = false;
    applyFontSize(points);
}

void PrompterScroller::followModelFontSize()
{
    m_followsModelFontSize = true;
    applyFontSize(m_model.fontSize());
}

void PrompterScroller::applyFontSize(double points)
{
    if (points == m_engine.inputs().fontSize)
        return;
    m_engine.setFontSize(points);
    m_display.scrollContentChanged();
    afterChange();
}

void PrompterScroller::viewAppeared(double viewportHeight)
{
    if (m_appeared) {
        setViewportHeight(viewportHeight);
        return;
    }
    m_appeared = true;
    // The saved phase is a plain property of the model: read it as the view appears.
    m_engine.setSavedScrollPhaseForResume(m_model.savedScrollPhaseForResume);
    m_engine.setHasStartedSession(m_model.hasStartedSession());
    m_engine.appear(viewportHeight);
    scheduleFrame(m_engine.frameInterval());
    m_lastPicture = picture();
    m_display.scrollFrameChanged();
}

void PrompterScroller::setViewportHeight(double height)
{
    m_engine.setViewportHeight(height);
    afterChange();
}

void PrompterScroller::setMeasuredContentHeight(double height)
{
    m_engine.setMeasuredContentHeight(height);
    afterChange();
}

std::optional<double> PrompterScroller::scheduledFrameInterval() const
{
    if (!m_frameTimer.isPending())
        return std::nullopt;
    return m_frameTimerInterval;
}

PrompterScroller::Picture PrompterScroller::picture() const
{
    return Picture { m_engine.hasText(), m_engine.verticalOffset(), m_engine.copies(), m_backgroundOpacity };
}

void PrompterScroller::scheduleFrame(double interval)
{
    m_frameTimerInterval = interval;
    m_frameTimerDue = m_loop.now() + toDuration(interval);
    m_frameTimer = m_loop.schedule(toDuration(interval), [this] { onFrame(); });
}

void PrompterScroller::onFrame()
{
    // Frames advance by the time that passed, so a late timer only means a longer step.
    m_engine.tick(m_loop.now());
    scheduleFrame(m_engine.frameInterval());
    const Picture now = picture();
    if (now != m_lastPicture) {
        m_lastPicture = now;
        m_display.scrollFrameChanged();
    }
}

void PrompterScroller::afterChange()
{
    if (!m_appeared)
        return;
    // A start must not wait for the rest of an idle interval.
    const double wanted = m_engine.frameInterval();
    if (!m_frameTimer.isPending() || m_loop.now() + toDuration(wanted) < m_frameTimerDue)
        scheduleFrame(wanted);
    const Picture now = picture();
    if (now != m_lastPicture) {
        m_lastPicture = now;
        m_display.scrollFrameChanged();
    }
}

} // namespace tavilo
