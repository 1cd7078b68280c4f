#include "ScrollEngine.h"

#include "base/Clamp.h"

#include "cue/CueScript.h"

#include <algorithm>
#include <cmath>

namespace tavilo {

namespace {

bool textIsBlank(const std::string& text)
{
    return cue::trimWhitespaceAndNewlines(text).empty();
}

} // namespace

ScrollEngine::ScrollEngine(Inputs inputs)
    : m_in(std::move(inputs))
    , m_hasText(!textIsBlank(m_in.text))
{
}

// ---- Derived quantities ---------------------------------------------------------------

double ScrollEngine::cycle() const
{
    return std::max(m_contentHeight + kRepetitionGap, 1.0);
}

double ScrollEngine::fadeHeight() const
{
    if (m_viewportHeight <= 1)
        return 0;
    return m_viewportHeight * clampTo(m_in.fadeFraction, 0.0, 0.49);
}

double ScrollEngine::lineInset() const
{
    return std::max(m_in.fontSize * 0.12, 2.0);
}

double ScrollEngine::leadIn() const
{
    const double base = clampTo(m_in.fontSize * 0.45, 8.0, 22.0);
    if (m_viewportHeight <= 1)
        return base;
    return std::max(base, std::min(std::max(m_viewportHeight * 0.38, 18.0), lineInset() + fadeHeight()));
}

double ScrollEngine::endPhase() const
{
    // At this phase the last line sits just above the bottom fade.
    const double room = m_viewportHeight - (fadeHeight() + lineInset());
    return std::max(m_contentHeight - std::max(room, 0.0), -leadIn());
}

int ScrollEngine::copies() const
{
    if (m_in.scrollMode == ScrollMode::stopAtEnd)
        return 1;
    return std::max(static_cast<int>(std::ceil(m_viewportHeight / cycle())) + 2, 3);
}

double ScrollEngine::verticalOffset() const
{
    if (!m_hasText)
        return 0;
    // fmod keeps the sign, so the start phase −lead-in puts the first line lead-in below the top.
    return -std::fmod(m_phase, cycle());
}

bool ScrollEngine::wantsFullFrameRate() const
{
    // Without text nothing moves, whatever the multiplier says (it is not eased then).
    if (!m_hasText)
        return false;
    return (m_in.isRunning && !m_in.isHovering) || m_currentSpeedMultiplier > 0.002;
}

bool ScrollEngine::nearStart() const
{
    return m_phase <= std::max(m_in.fontSize * 1.6, 12.0);
}

// ---- Reactions ------------------------------------------------------------------------

void ScrollEngine::resetToStart()
{
    m_phase = -leadIn();
    m_hasReachedEndInStopMode = false;
    m_deferredStopTargetPhase.reset();
    m_lastTickDate.reset();
    m_targetSpeedMultiplier = startMultiplier();
    m_currentSpeedMultiplier = startMultiplier();
}

void ScrollEngine::appear(double viewportHeight)
{
    m_viewportHeight = std::max(viewportHeight, 0.0);
    if (m_in.hasStartedSession && m_in.savedScrollPhaseForResume) {
        m_phase = std::max(*m_in.savedScrollPhaseForResume, -leadIn());
        m_hasReachedEndInStopMode = false;
        m_deferredStopTargetPhase.reset();
        m_lastTickDate.reset();
        m_targetSpeedMultiplier = startMultiplier();
        m_currentSpeedMultiplier = startMultiplier();
    } else {
        resetToStart();
    }
}

void ScrollEngine::setViewportHeight(double height)
{
    height = std::max(height, 0.0);
    if (height == m_viewportHeight)
        return;
    m_viewportHeight = height;
    m_deferredStopTargetPhase.reset(); // the end phase moved with the viewport
    m_stopTargetAfterGeometryChange = true;
    // At the start, the first line follows the new geometry.
    if (m_hasText && nearStart())
        m_phase = -leadIn();
}

void ScrollEngine::setFontSize(double points)
{
    if (points == m_in.fontSize)
        return;
    m_in.fontSize = points;
    if (m_hasText && nearStart())
        m_phase = -leadIn();
}

void ScrollEngine::setText(std::string text)
{
    if (text == m_in.text)
        return;
    m_in.text = std::move(text);
    m_hasText = !textIsBlank(m_in.text);
    m_hasMeasuredContentHeight = false;
    m_deferredStopTargetPhase.reset();
    resetToStart();
}

void ScrollEngine::setRunning(bool running, MonotonicTime now)
{
    if (running == m_in.isRunning)
        return;
    m_in.isRunning = running;
    m_lastTickDate = now;
    if (!running && onSaveScrollPhaseForResume)
        onSaveScrollPhaseForResume(m_phase);
}

void ScrollEngine::setHovering(bool hovering, MonotonicTime now)
{
    if (hovering == m_in.isHovering)
        return;
    m_in.isHovering = hovering;
    m_lastTickDate = now;
}

void ScrollEngine::setScrollMode(ScrollMode mode)
{
    if (mode == m_in.scrollMode)
        return;
    m_in.scrollMode = mode;
    m_hasReachedEndInStopMode = false;
    m_deferredStopTargetPhase.reset();
    // Switching into stop mode with the end behind the view means the next copy's end.
    m_stopTargetAfterGeometryChange = false;
}

void ScrollEngine::setMeasuredContentHeight(double height)
{
    // Applied on every report, equal or not: a new text of the same height is measured too.
    if (!std::isfinite(height))
        height = 0;
    const double contentHeight = std::max(height, 1.0);
    // A stop target taken from the old geometry would stop the text at the wrong place.
    if (contentHeight != m_contentHeight) {
        m_deferredStopTargetPhase.reset();
        m_stopTargetAfterGeometryChange = true;
    }
    m_contentHeight = contentHeight;
    m_hasMeasuredContentHeight = height > 1;
}

void ScrollEngine::reset()
{
    m_deferredStopTargetPhase.reset();
    resetToStart();
}

void ScrollEngine::jumpBack(double distance)
{
    if (!m_hasText)
        return;
    m_hasReachedEndInStopMode = false;
    m_deferredStopTargetPhase.reset();
    m_phase = std::max(m_phase - std::max(distance, 0.0), -leadIn());
}

void ScrollEngine::manualStep(double delta)
{
    if (!m_hasText)
        return;
    m_hasReachedEndInStopMode = false;
    m_deferredStopTargetPhase.reset();
    m_phase = std::max(m_phase + delta, -leadIn());
    if (m_in.scrollMode == ScrollMode::stopAtEnd && m_hasMeasuredContentHeight) {
        m_phase = std::min(m_phase, endPhase());
        return;
    }
    // Infinite mode, or the end is not known yet. The lead-in bound comes before the fold:
    // folding a large negative phase first would land it anywhere in the cycle above the
    // lead-in instead of at it.
    const double c = cycle();
    if (m_phase >= kPhaseBoundCycles * c)
        m_phase = std::fmod(m_phase, c);
}

// ---- Frames ---------------------------------------------------------------------------

void ScrollEngine::tick(MonotonicTime now)
{
    if (!m_hasText) {
        m_lastTickDate = now;
        return;
    }

    const bool stopMode = m_in.scrollMode == ScrollMode::stopAtEnd;
    if (!m_in.isRunning || m_in.isHovering)
        m_targetSpeedMultiplier = 0;
    else
        m_targetSpeedMultiplier = stopMode && m_hasReachedEndInStopMode ? 0 : 1;

    double dt = kFrameStep;
    if (m_lastTickDate)
        dt = clampTo(toSeconds(now - *m_lastTickDate), 0.0, kLongestStep);
    m_lastTickDate = now;

    // The end is reported after the frame is complete, so the callback sees settled state
    // and may change the inputs (the model pauses) without disturbing this loop.
    bool reachedEndNow = false;

    // Sub-steps of at most one display frame keep the easing and the stop detection the same
    // at any frame rate.
    while (dt > 0) {
        const double s = std::min(dt, kFrameStep);
        const double gap = m_targetSpeedMultiplier - m_currentSpeedMultiplier;
        if (std::abs(gap) > 0.001)
            m_currentSpeedMultiplier += gap * std::min(s * speedLerpFactor, 1.0);
        else
            m_currentSpeedMultiplier = m_targetSpeedMultiplier;

        // The stop target is taken from the phase before this step moves it: a text that
        // fits in the view ends where it starts instead of running on to the next copy.
        if (stopMode && !m_deferredStopTargetPhase && m_hasMeasuredContentHeight && !m_hasReachedEndInStopMode) {
            // The end of the copy in view, or of the next one when that end has passed.
            const double c = cycle();
            const double end = endPhase();
            const double v = std::fmod(m_phase, c);
            if (v > end && m_stopTargetAfterGeometryChange)
                // The view grew (or the text shrank) past the end: it is in view now, so stop
                // here rather than run a whole cycle to the next copy, which stop mode never draws.
                m_deferredStopTargetPhase = m_phase;
            else
                m_deferredStopTargetPhase = v <= end ? m_phase - v + end : m_phase - v + c + end;
            m_stopTargetAfterGeometryChange = false;
        }

        m_phase += s * m_in.speedPointsPerSecond * m_currentSpeedMultiplier;

        if (stopMode && m_hasMeasuredContentHeight && m_deferredStopTargetPhase && *m_deferredStopTargetPhase <= m_phase) {
            m_phase = *m_deferredStopTargetPhase;
            m_targetSpeedMultiplier = 0;
            m_currentSpeedMultiplier = 0;
            // Only a run reaches the end. Standing at the target while idle, or gliding onto
            // it after a pause, holds the text there; the next start then reports the end to
            // a model that is running and can take it.
            if (m_in.isRunning) {
                m_deferredStopTargetPhase.reset();
                if (!m_hasReachedEndInStopMode) {
                    m_hasReachedEndInStopMode = true;
                    reachedEndNow = true;
                }
            }
            break;
        }
        dt -= s;
    }

    if (!m_in.isRunning && m_currentSpeedMultiplier < 0.002)
        m_currentSpeedMultiplier = 0;

    if (!stopMode) {
        const double c = cycle();
        if (m_phase >= kPhaseBoundCycles * c)
            m_phase = std::fmod(m_phase, c); // same picture: the offset is taken modulo the cycle
    }

    if (reachedEndNow && onReachedEnd)
        onReachedEnd();
}

} // namespace tavilo
