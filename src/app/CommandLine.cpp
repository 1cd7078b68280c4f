#include "CommandLine.h"

#include "desktop/ShortcutCommand.h"

#include <charconv>
#include <cmath>

namespace tavilo {

namespace {

std::optional<double> parseSeconds(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::string CommandLine::usage()
{
    return "Usage: tavilo [--follow-diagnostics] [--screenshot PATH] [--quit-after SECONDS]\n"
           "       tavilo outline FILE\n"
           "       tavilo --command NAME\n"
           "       tavilo --help | --version\n"
           "\n"
           "  --follow-diagnostics  log voice-follow events to ~/.local/state/Tavilo/logs/\n"
           "  --screenshot PATH     save a PNG of the prompter panel just before quitting\n"
           "  --quit-after SECONDS  quit after this many seconds\n"
           "  outline FILE          print the parsed outline of a UTF-8 text file as JSON\n"
           "  --command NAME        send a hotkey command to the running Tavilo: startPause, reset,\n"
           "                        jumpBack, togglePrivacy, toggleOverlay, speedUp, speedDown,\n"
           "                        cueToggle, cueNext, cuePrev, cueOverview, scriptNext, scriptPrev\n";
}

CommandLine::Result CommandLine::parse(const std::vector<std::string>& args)
{
    CommandLine cl;
    auto fail = [](std::string message) { return Result { std::nullopt, std::move(message) }; };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            (void)what;
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            cl.action = Action::help;
        } else if (arg == "--version") {
            cl.action = Action::version;
        } else if (arg == "--follow-diagnostics") {
            cl.followDiagnostics = true;
        } else if (arg == "--screenshot") {
            auto path = value("PATH");
            if (!path || path->empty())
                return fail("--screenshot needs a file path");
            cl.screenshotPath = *path;
        } else if (arg == "--quit-after") {
            auto text = value("SECONDS");
            if (!text)
                return fail("--quit-after needs a number of seconds");
            auto seconds = parseSeconds(*text);
            if (!seconds)
                return fail("--quit-after needs a number of seconds, not '" + *text + "'");
            cl.quitAfterSeconds = *seconds;
        } else if (arg == "--command") {
            auto name = value("NAME");
            if (!name)
                return fail("--command needs a command name (see tavilo --help)");
            if (!shortcutCommandNamed(*name))
                return fail("unknown command '" + *name + "' (see tavilo --help)");
            cl.action = Action::command;
            cl.commandName = *name;
        } else if (arg == "outline" && i == 0) {
            if (args.size() != 2)
                return fail("outline takes exactly one FILE");
            cl.action = Action::outline;
            cl.outlineFile = args[1];
            return Result { cl, {} };
        } else {
            return fail("unknown argument '" + arg + "' (see tavilo --help)");
        }
    }
    return Result { cl, {} };
}

} // namespace tavilo
