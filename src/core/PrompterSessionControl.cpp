// The operations that drive a prompting run: start and pause with the countdown, reset,
// speed, jump back, manual scrolling, the end of the text, and the switching of scripts.

#include "PrompterModel.h"

#include "scripts/ScriptLibrary.h"
#include "strings/LocalizationManager.h"

namespace tavilo {

void PrompterModel::setScriptLibrary(ScriptLibrary* library)
{
    m_library = library;
    if (library)
        m_libraryContains = [library](const Uuid& id) { return library->contains(id); };
    else
        m_libraryContains = nullptr;
}

void PrompterModel::toggleRunning()
{
    if (isRunning() || isCountingDown())
        pause();
    else
        start();
}

void PrompterModel::start()
{
    if (isRunning() || isCountingDown())
        return;
    manualScrollEnabled = false;
    if (scrollMode() == ScrollMode::stopAtEnd && didReachEndInStopMode())
        reset(); // a finished text starts again from the top
    scrollSessionActive = true;
    const int64_t n = countdownSeconds();
    bool useCountdown = false;
    switch (countdownBehavior()) {
    case CountdownBehavior::always:
        useCountdown = n > 0;
        break;
    case CountdownBehavior::freshStartOnly:
        useCountdown = n > 0 && shouldUseCountdownOnNextStart;
        break;
    case CountdownBehavior::never:
        break;
    }
    if (useCountdown)
        startCountdown(n);
    else
        beginRunning();
}

void PrompterModel::beginRunning()
{
    isCountingDown = false;
    countdownRemaining = 0;
    hasStartedSession = true;
    shouldUseCountdownOnNextStart = false;
    isRunning = true; // last, so its observers see the rest already settled
}

void PrompterModel::cancelCountdownTask()
{
    countdownTask.cancel();
}

void PrompterModel::startCountdown(int64_t seconds)
{
    cancelCountdownTask();
    isCountingDown = true;
    countdownRemaining = seconds;
    countdownTask = m_loop.schedule(std::chrono::seconds(1), [this] { countdownTick(); });
}

void PrompterModel::countdownTick()
{
    // A countdown cancelled before its tick never gets here: cancelling the handle drops the
    // task. One cancelled by an observer of this very tick (a pause when it shows 1) is
    // caught by the check after the assignment.
    const int64_t remaining = countdownRemaining() - 1;
    countdownRemaining = remaining;
    if (!isCountingDown())
        return;
    if (remaining <= 0) {
        countdownTask = TimerHandle();
        beginRunning();
        return;
    }
    countdownTask = m_loop.schedule(std::chrono::seconds(1), [this] { countdownTick(); });
}

void PrompterModel::pause()
{
    cancelCountdownTask();
    isCountingDown = false;
    countdownRemaining = 0;
    isRunning = false;
}

void PrompterModel::reset()
{
    didReachEndInStopMode = false;
    shouldUseCountdownOnNextStart = true;
    savedScrollPhaseForResume.reset();
    scrollSessionActive = false;
    resetToken = Uuid::create();
}

void PrompterModel::adjustSpeed(double delta)
{
    speedPointsPerSecond = snapSpeed(speedPointsPerSecond() + delta);
}

void PrompterModel::jumpBack()
{
    didReachEndInStopMode = false;
    jumpBackDistancePoints = speedPointsPerSecond() * 5;
    jumpBackToken = Uuid::create();
}

void PrompterModel::toggleAutoScroll()
{
    // Only the mode changes: exitCue() is deliberately not run, so the cue times stay.
    if (readingMode() == ReadingMode::cue)
        readingMode = ReadingMode::normal;
    if (!isRunning() && !isCountingDown()) {
        manualScrollEnabled = false;
        start();
        return;
    }
    pause();
    manualScrollEnabled = true;
    didReachEndInStopMode = false;
    hasStartedSession = true;
    shouldUseCountdownOnNextStart = false;
}

void PrompterModel::manualScroll(double delta)
{
    if (std::abs(delta) <= 0.01)
        return;
    if (!manualScrollEnabled())
        manualScrollEnabled = true;
    if (isRunning() || isCountingDown())
        pause();
    didReachEndInStopMode = false;
    hasStartedSession = true;
    shouldUseCountdownOnNextStart = false;
    manualScrollDeltaPoints = delta;
    manualScrollToken = Uuid::create();
}

void PrompterModel::swipe(GestureDirection direction)
{
    if (!gestureControlEnabled())
        return;
    if (readingMode() == ReadingMode::normal) {
        adjustSpeed(direction == GestureDirection::right ? 5 : -5);
        return;
    }
    if (direction == GestureDirection::right)
        nextCuePoint();
    else
        previousCuePoint();
}

void PrompterModel::reachedEnd()
{
    if (scrollMode() != ScrollMode::stopAtEnd)
        return;
    didReachEndInStopMode = true;
    pause();
}

void PrompterModel::setScrollMode(ScrollMode mode)
{
    if (mode == scrollMode())
        return;
    const bool wasStoppedAtEnd = scrollMode() == ScrollMode::stopAtEnd && didReachEndInStopMode();
    scrollMode = mode;
    if (mode == ScrollMode::stopAtEnd)
        return;
    didReachEndInStopMode = false;
    if (wasStoppedAtEnd) {
        // Resume at once, without a countdown.
        hasStartedSession = true;
        isCountingDown = false;
        countdownRemaining = 0;
        cancelCountdownTask();
        shouldUseCountdownOnNextStart = false;
        isRunning = true;
    }
}

void PrompterModel::selectScript(const Uuid& id)
{
    if (!m_library)
        return;
    const auto content = m_library->content(id);
    if (!content)
        return;
    const auto title = m_library->title(id);
    script = *content;
    activeScriptID = id;
    activeSectionIndex = 0;
    cueMaterialIndex = 0;
    if (readingMode() == ReadingMode::cue)
        cueSectionStartedAt = m_loop.currentDate();
    scrollSessionActive = false;
    hasStartedSession = true;
    flashScriptTitle(title);
    enterCueIfOutlineOnly();
}

void PrompterModel::switchScript(bool forward)
{
    if (!m_library)
        return;
    if (const auto neighbour = m_library->neighbour(activeScriptID(), forward))
        selectScript(*neighbour);
}

void PrompterModel::pasteScript(const std::string& text)
{
    if (cue::trimWhitespaceAndNewlines(text).empty())
        return;
    script = text;
    activeScriptID = std::nullopt;
    scrollSessionActive = false;
    hasStartedSession = true;
    enterCueIfOutlineOnly();
}

void PrompterModel::clearScript()
{
    script = std::string();
    activeScriptID = std::nullopt;
    scrollSessionActive = false;
}

void PrompterModel::flashScriptTitle(const std::optional<std::string>& title)
{
    if (!title || cue::trimWhitespaceAndNewlines(*title).empty())
        scriptFlashTitle = m_localization ? m_localization->text(LK::libUntitled) : std::string("Untitled");
    else
        scriptFlashTitle = *title;
    scriptFlashToken = Uuid::create();
}

} // namespace tavilo
