#pragma once

#include "desktop/ShortcutCommand.h"

#include <cstdint>
#include <functional>

namespace tavilo {

// The prompter operations the hotkeys reach, bound by the application to the model and the
// voice-follow controller. Every member must be set.
struct PrompterCommands {
    std::function<void()> toggleRunning;
    std::function<void()> reset;
    // didReachEndInStopMode = false, jumpBackDistancePoints = speed × 5, a new jumpBackToken.
    std::function<void()> jumpBack;
    std::function<void()> togglePrivacy; // invert privacyModeEnabled
    std::function<void()> toggleOverlay; // invert isOverlayVisible
    std::function<void(double)> adjustSpeed;
    std::function<bool()> isNormalReadingMode;
    std::function<void()> stopVoiceFollow;
    std::function<void()> toggleCue;
    std::function<void()> nextCuePoint;
    std::function<void()> previousCuePoint;
    std::function<void()> toggleCueOverview;
    std::function<void(bool forward)> switchScript;
    std::function<void(std::int64_t index)> jumpToCuePoint;
    std::function<void(std::int64_t step)> scrollCue;
};

// Turns hotkey callbacks (and commands named on the command line) into prompter operations.
// Main thread only.
class ShortcutCommandRouter {
public:
    static constexpr double speedStep = 5.0;

    // Throws std::invalid_argument when a command is missing.
    explicit ShortcutCommandRouter(PrompterCommands commands);

    void route(ShortcutCommand command) const;
    void jumpToIndex(std::int64_t index) const { m_commands.jumpToCuePoint(index); }
    void cueScroll(std::int64_t step) const { m_commands.scrollCue(step); }

private:
    PrompterCommands m_commands;
};

} // namespace tavilo
