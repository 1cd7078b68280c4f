#include "desktop/ShortcutCommandRouter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavilo;

namespace {

// Records the operations called, as "name" or "name(argument)".
struct RecordingPrompter {
    std::vector<std::string> calls;
    bool normalMode = true;

    PrompterCommands commands()
    {
        auto record = [this](std::string name) { return [this, name] { calls.push_back(name); }; };
        PrompterCommands c;
        c.toggleRunning = record("toggleRunning");
        c.reset = record("reset");
        c.jumpBack = record("jumpBack");
        c.togglePrivacy = record("togglePrivacy");
        c.toggleOverlay = record("toggleOverlay");
        c.adjustSpeed = [this](double delta) { calls.push_back("adjustSpeed(" + std::to_string(int(delta)) + ")"); };
        c.isNormalReadingMode = [this] { return normalMode; };
        c.stopVoiceFollow = record("stopVoiceFollow");
        c.toggleCue = record("toggleCue");
        c.nextCuePoint = record("nextCuePoint");
        c.previousCuePoint = record("previousCuePoint");
        c.toggleCueOverview = record("toggleCueOverview");
        c.switchScript = [this](bool forward) { calls.push_back(forward ? "switchScript(forward)" : "switchScript(backward)"); };
        c.jumpToCuePoint = [this](std::int64_t i) { calls.push_back("jumpToCuePoint(" + std::to_string(i) + ")"); };
        c.scrollCue = [this](std::int64_t s) { calls.push_back("scrollCue(" + std::to_string(s) + ")"); };
        return c;
    }
};

TEST(ShortcutCommandRouterTest, EachCommandReachesItsOperation)
{
    const std::pair<ShortcutCommand, std::vector<std::string>> table[] = {
        { ShortcutCommand::startPause, { "toggleRunning" } },
        { ShortcutCommand::reset, { "reset" } },
        { ShortcutCommand::jumpBack, { "jumpBack" } },
        { ShortcutCommand::togglePrivacy, { "togglePrivacy" } },
        { ShortcutCommand::toggleOverlay, { "toggleOverlay" } },
        { ShortcutCommand::speedUp, { "adjustSpeed(5)" } },
        { ShortcutCommand::speedDown, { "adjustSpeed(-5)" } },
        { ShortcutCommand::cueToggle, { "stopVoiceFollow", "toggleCue" } },
        { ShortcutCommand::cueNext, { "nextCuePoint" } },
        { ShortcutCommand::cuePrev, { "previousCuePoint" } },
        { ShortcutCommand::cueOverview, { "toggleCueOverview" } },
        { ShortcutCommand::scriptNext, { "switchScript(forward)" } },
        { ShortcutCommand::scriptPrev, { "switchScript(backward)" } },
    };
    ASSERT_EQ(std::size(table), shortcutCommands().size());
    RecordingPrompter prompter;
    ShortcutCommandRouter router(prompter.commands());
    for (const auto& [command, expected] : table) {
        prompter.calls.clear();
        router.route(command);
        EXPECT_EQ(prompter.calls, expected) << commandName(command);
    }
}

TEST(ShortcutCommandRouterTest, CueToggleInCueModeLeavesVoiceFollowAlone)
{
    RecordingPrompter prompter;
    prompter.normalMode = false;
    ShortcutCommandRouter router(prompter.commands());
    router.route(ShortcutCommand::cueToggle);
    EXPECT_EQ(prompter.calls, std::vector<std::string> { "toggleCue" });
}

TEST(ShortcutCommandRouterTest, IndexAndStepCallbacks)
{
    RecordingPrompter prompter;
    ShortcutCommandRouter router(prompter.commands());
    router.jumpToIndex(3);
    router.cueScroll(-1);
    EXPECT_EQ(prompter.calls, (std::vector<std::string> { "jumpToCuePoint(3)", "scrollCue(-1)" }));
}

TEST(ShortcutCommandRouterTest, RefusesAnUnboundCommand)
{
    RecordingPrompter prompter;
    auto commands = prompter.commands();
    commands.scrollCue = nullptr;
    EXPECT_THROW(ShortcutCommandRouter { commands }, std::invalid_argument);
}

} // namespace
