#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavilo {

struct CommandLine {
    enum class Action { run, help, version, outline, command };

    Action action = Action::run;
    bool followDiagnostics = false;
    std::optional<std::string> screenshotPath;
    std::optional<double> quitAfterSeconds;
    std::string outlineFile;
    std::string commandName; // with Action::command: a hotkey command's name ("startPause")

    struct Result;
    static Result parse(const std::vector<std::string>& arguments);
    static std::string usage();
};

// Either the parsed command line or a one-line error.
struct CommandLine::Result {
    std::optional<CommandLine> commandLine;
    std::string error;
};

} // namespace tavilo
