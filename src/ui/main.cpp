#include "DesktopShell.h"
#include "QtMainLoop.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/OutlineJson.h"
#include "base/AppPaths.h"
#include "base/DurableFile.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#ifndef TAVILO_VERSION
#define TAVILO_VERSION "0.0.0"
#endif

using namespace tavilo;

namespace {

int printOutline(const std::string& file)
{
    const ReadResult read = readWholeFile(file);
    if (read.status != ReadStatus::ok) {
        std::fprintf(stderr, "tavilo: %s\n",
            read.error ? read.error->message.c_str() : ("no such file: " + file).c_str());
        return 1;
    }
    std::printf("%s\n", outlineJson(CueScript::parse(read.contents)).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto parsed = CommandLine::parse(arguments);
    if (!parsed.commandLine) {
        std::fprintf(stderr, "tavilo: %s\n", parsed.error.c_str());
        return 2;
    }
    const CommandLine& cl = *parsed.commandLine;
    switch (cl.action) {
    case CommandLine::Action::help:
        std::fputs(CommandLine::usage().c_str(), stdout);
        return 0;
    case CommandLine::Action::version:
        std::printf("tavilo %s\n", TAVILO_VERSION);
        return 0;
    case CommandLine::Action::outline:
        return printOutline(cl.outlineFile);
    case CommandLine::Action::run:
        break;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavilo"));
    QApplication::setApplicationVersion(QStringLiteral(TAVILO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tavilo"));
    // A tray agent: closing a window never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMainLoop loop;
    const AppPaths paths = AppPaths::fromEnvironment();
    PreferencesStore store(paths.preferencesFile(), &loop);
    NotificationCenter notifications;
    AppDelegate delegate(loop, store, notifications);
    delegate.applicationDidFinishLaunching();

    DesktopShell::Options options;
    if (cl.screenshotPath)
        options.screenshotPath = QString::fromStdString(*cl.screenshotPath);
    options.quitAfterSeconds = cl.quitAfterSeconds;
    DesktopShell shell(delegate, options);
    shell.installSignalHandlers();
    shell.show();

    const int status = application.exec();
    delegate.applicationWillTerminate();
    if (auto error = store.lastWriteError())
        std::fprintf(stderr, "tavilo: settings not saved: %s\n", error->message.c_str());
    return status;
}
