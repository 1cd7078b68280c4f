#include "DesktopShell.h"
#include "QtMainLoop.h"
#include "SingleInstance.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/OutlineJson.h"
#include "base/AppPaths.h"
#include "base/DurableFile.h"
#include "platform/x11/X11HotkeyBackend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <filesystem>
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
    case CommandLine::Action::command:
        break;
    }

    const AppPaths paths = AppPaths::fromEnvironment();
    SingleInstance instance(paths);
    const auto role = instance.claim();
    if (role == SingleInstance::Role::failed) {
        std::fprintf(stderr, "tavilo: %s\n", qPrintable(instance.errorText()));
        return 1;
    }
    if (cl.action == CommandLine::Action::command || role == SingleInstance::Role::secondary) {
        if (role == SingleInstance::Role::primary) {
            std::fprintf(stderr, "tavilo: Tavilo is not running\n");
            return 1;
        }
        // What the running instance is asked: a command, a picture of its panel, or to show it.
        QString request = QStringLiteral("activate");
        if (cl.action == CommandLine::Action::command)
            request = QStringLiteral("command ") + QString::fromStdString(cl.commandName);
        else if (cl.screenshotPath)
            request = QStringLiteral("screenshot ")
                + QString::fromStdString(std::filesystem::absolute(*cl.screenshotPath).string());
        const auto reply = instance.send(request);
        if (!reply) {
            std::fprintf(stderr, "tavilo: the running Tavilo does not answer\n");
            return 1;
        }
        if (*reply != QLatin1String("ok")) {
            std::fprintf(stderr, "tavilo: %s\n", qPrintable(*reply));
            return 1;
        }
        if (request == QLatin1String("activate"))
            std::printf("Tavilo is already running; its panel is shown.\n");
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavilo"));
    QApplication::setApplicationVersion(QStringLiteral(TAVILO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tavilo"));
    // A tray agent: closing a window never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMainLoop loop;
    PreferencesStore store(paths.preferencesFile(), &loop);
    NotificationCenter notifications;
    // System-wide hotkeys through the X server; on Wayland every chord reports as taken and the
    // command channel is the way in. Made before the delegate, which unregisters through it.
    auto hotkeyBackend = X11HotkeyBackend::createForThisSession();
    AppDelegate delegate(loop, store, notifications, paths);
    delegate.setHotkeyBackend(hotkeyBackend.get());
    if (hotkeyBackend->connectionFd() >= 0) {
        auto* notifier = new QSocketNotifier(hotkeyBackend->connectionFd(), QSocketNotifier::Read, &application);
        QObject::connect(notifier, &QSocketNotifier::activated, [backend = hotkeyBackend.get()] {
            backend->processPendingEvents();
        });
        // Registering syncs with the server, which can leave events in Xlib's queue without
        // the connection becoming readable; drain them before the loop sleeps.
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
            [backend = hotkeyBackend.get()] {
                if (backend->hasQueuedEvents())
                    backend->processPendingEvents();
            });
    }
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, [&delegate](Qt::ApplicationState state) {
        delegate.setApplicationActive(state == Qt::ApplicationActive);
    });
    delegate.applicationDidFinishLaunching();

    DesktopShell::Options options;
    if (cl.screenshotPath)
        options.screenshotPath = QString::fromStdString(*cl.screenshotPath);
    options.quitAfterSeconds = cl.quitAfterSeconds;
    DesktopShell shell(delegate, options);
    shell.installSignalHandlers();
    instance.listen([&delegate, &shell](const QString& request) -> QString {
        if (request.startsWith(QLatin1String("screenshot "))) {
            const QString path = request.mid(11);
            return shell.saveScreenshot(path) ? QStringLiteral("ok")
                                              : QStringLiteral("error cannot save the screenshot to ") + path;
        }
        if (request == QLatin1String("activate")) {
            delegate.model().isOverlayVisible = true;
            return QStringLiteral("ok");
        }
        if (request.startsWith(QLatin1String("command "))) {
            if (auto command = shortcutCommandNamed(request.mid(8).toStdString())) {
                delegate.routeCommand(*command);
                return QStringLiteral("ok");
            }
            return QStringLiteral("error unknown command");
        }
        return QStringLiteral("error unknown request");
    });
    shell.show();

    const int status = application.exec();
    // Requests stop before the event loop and the services they reach go away.
    instance.stopListening();
    delegate.applicationWillTerminate();
    if (auto error = store.lastWriteError())
        std::fprintf(stderr, "tavilo: settings not saved: %s\n", error->message.c_str());
    return status;
}
