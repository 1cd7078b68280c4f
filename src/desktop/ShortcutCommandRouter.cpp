#include "desktop/ShortcutCommandRouter.h"

#include <stdexcept>

namespace tavilo {

ShortcutCommandRouter::ShortcutCommandRouter(PrompterCommands commands)
    : m_commands(std::move(commands))
{
    const auto& c = m_commands;
    const bool complete = c.toggleRunning && c.reset && c.jumpBack && c.togglePrivacy && c.toggleOverlay
        && c.adjustSpeed && c.isNormalReadingMode && c.stopVoiceFollow && c.toggleCue && c.nextCuePoint
        && c.previousCuePoint && c.toggleCueOverview && c.switchScript && c.jumpToCuePoint && c.scrollCue;
    if (!complete)
        throw std::invalid_argument("ShortcutCommandRouter: every prompter command must be bound");
}

void ShortcutCommandRouter::route(ShortcutCommand command) const
{
    const auto& c = m_commands;
    switch (command) {
    case ShortcutCommand::startPause:
        c.toggleRunning();
        return;
    case ShortcutCommand::reset:
        c.reset();
        return;
    case ShortcutCommand::jumpBack:
        c.jumpBack();
        return;
    case ShortcutCommand::togglePrivacy:
        c.togglePrivacy();
        return;
    case ShortcutCommand::toggleOverlay:
        c.toggleOverlay();
        return;
    case ShortcutCommand::speedUp:
        c.adjustSpeed(+speedStep);
        return;
    case ShortcutCommand::speedDown:
        c.adjustSpeed(-speedStep);
        return;
    case ShortcutCommand::cueToggle:
        // Entering cue mode always ends listening.
        if (c.isNormalReadingMode())
            c.stopVoiceFollow();
        c.toggleCue();
        return;
    case ShortcutCommand::cueNext:
        c.nextCuePoint();
        return;
    case ShortcutCommand::cuePrev:
        c.previousCuePoint();
        return;
    case ShortcutCommand::cueOverview:
        c.toggleCueOverview();
        return;
    case ShortcutCommand::scriptNext:
        c.switchScript(true);
        return;
    case ShortcutCommand::scriptPrev:
        c.switchScript(false);
        return;
    }
}

} // namespace tavilo
