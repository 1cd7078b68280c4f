#pragma once

#include "base/MainLoop.h"
#include "core/PrompterTypes.h"

#include <functional>
#include <optional>
#include <string>

namespace tavilo {

// The scroll position of the prompter text and how it moves: the phase advances on every frame
// by the time that passed, eases speed changes, loops the text with a gap between repetitions
// or stops when the end comes into view, and reacts to reset, jump back and manual steps.
// Plain state: the owner feeds it the model's values, the view's measurements and the frame
// times, and draws from what it derives. It writes nothing back except through its callbacks.
class ScrollEngine {
public:
    static constexpr double kRepetitionGap = 24;
    static constexpr double kFrameStep = 1.0 / 60;
    static constexpr double kLongestStep = 0.25;
    static constexpr double kIdleFrameInterval = 0.125;
    static constexpr double speedLerpFactor = 8;
    // Infinite mode folds the phase back into one cycle past this many cycles, so it never
    // grows large enough to lose precision.
    static constexpr double kPhaseBoundCycles = 8;

    // What the creator hands in; later changes go through the setters, which react.
    struct Inputs {
        std::string text;
        double fontSize = 20;
        double speedPointsPerSecond = 80;
        bool isRunning = false;
        bool hasStartedSession = false;
        double fadeFraction = 0.2;
        bool isHovering = false;
        ScrollMode scrollMode = ScrollMode::infinite;
        std::optional<double> savedScrollPhaseForResume;
    };

    explicit ScrollEngine(Inputs inputs);

    std::function<void(double phase)> onSaveScrollPhaseForResume;
    std::function<void()> onReachedEnd;

    // ---- Reactions (each compares with the previous value where it matters) ----

    // The view is shown and its height is known: restores the saved phase of a started
    // session, otherwise goes to the start.
    void appear(double viewportHeight);
    void setViewportHeight(double height);
    void setFontSize(double points);
    void setText(std::string text);
    void setSpeedPointsPerSecond(double speed) { m_in.speedPointsPerSecond = speed; }
    void setHasStartedSession(bool started) { m_in.hasStartedSession = started; }
    void setSavedScrollPhaseForResume(std::optional<double> phase) { m_in.savedScrollPhaseForResume = phase; }
    void setFadeFraction(double fraction) { m_in.fadeFraction = fraction; }
    // `now` is the timeline's current time: the next frame measures its step from it.
    void setRunning(bool running, MonotonicTime now);
    void setHovering(bool hovering, MonotonicTime now);
    void setScrollMode(ScrollMode mode);
    // Height of one copy of the text at the current width and font, as the view measured it.
    void setMeasuredContentHeight(double height);

    void reset(); // a new reset token
    void jumpBack(double distance); // a new jump-back token
    void manualStep(double delta); // a new manual-scroll token

    // One display frame at `now`.
    void tick(MonotonicTime now);

    // ---- Derived quantities ----
    bool hasText() const { return m_hasText; }
    double cycle() const;
    double fadeHeight() const;
    double leadIn() const;
    double endPhase() const;
    int copies() const;
    double verticalOffset() const;
    // 60 frames a second while the text moves or is still gliding; the idle rate otherwise.
    bool wantsFullFrameRate() const;
    double frameInterval() const { return wantsFullFrameRate() ? kFrameStep : kIdleFrameInterval; }

    // ---- State ----
    const Inputs& inputs() const { return m_in; }
    double phase() const { return m_phase; }
    double contentHeight() const { return m_contentHeight; }
    double viewportHeight() const { return m_viewportHeight; }
    double currentSpeedMultiplier() const { return m_currentSpeedMultiplier; }
    double targetSpeedMultiplier() const { return m_targetSpeedMultiplier; }
    bool hasReachedEndInStopMode() const { return m_hasReachedEndInStopMode; }
    bool hasMeasuredContentHeight() const { return m_hasMeasuredContentHeight; }
    std::optional<double> deferredStopTargetPhase() const { return m_deferredStopTargetPhase; }

private:
    void resetToStart();
    double startMultiplier() const { return m_in.isRunning && !m_in.isHovering ? 1.0 : 0.0; }
    // The phase below which the text counts as "at the start" for re-alignment.
    bool nearStart() const;
    double lineInset() const;

    Inputs m_in;
    bool m_hasText = false;

    double m_contentHeight = 1;
    double m_viewportHeight = 0;
    double m_phase = 0;
    std::optional<MonotonicTime> m_lastTickDate;
    double m_targetSpeedMultiplier = 1;
    double m_currentSpeedMultiplier = 1;
    bool m_hasReachedEndInStopMode = false;
    bool m_hasMeasuredContentHeight = false;
    std::optional<double> m_deferredStopTargetPhase;
    // The stop target was dropped because the geometry changed, not because the mode did.
    bool m_stopTargetAfterGeometryChange = false;
};

} // namespace tavilo
