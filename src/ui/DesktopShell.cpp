#include "DesktopShell.h"

#include "NotchPanel.h"

#include "app/ShortcutWarnings.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavilo {

namespace {

int g_signalPipe[2] = { -1, -1 };

void onTerminationSignal(int signal)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

DesktopShell::DesktopShell(AppDelegate& delegate, Options options)
    : m_delegate(delegate)
    , m_options(std::move(options))
    , m_panel(std::make_unique<NotchPanel>(delegate, NotchPanel::Surface::notch))
    , m_floating(std::make_unique<NotchPanel>(delegate, NotchPanel::Surface::floating))
    , m_menu(std::make_unique<QMenu>())
{
    buildMenu();

    m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/tavilo.svg")), this);
    m_tray->setToolTip(QStringLiteral("澜屿 Tavilo"));
    m_tray->setContextMenu(m_menu.get());

    // Every way out of the event loop passes here, so the settings are saved whatever the cause.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_delegate.applicationWillTerminate(); });
    // The desktop session is ending: save now, since the process may be killed without a quit.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { m_delegate.sessionWillEnd(); });

    if (m_options.quitAfterSeconds) {
        QTimer::singleShot(static_cast<int>(*m_options.quitAfterSeconds * 1000), this, [this] { requestQuit(); });
    }
}

void DesktopShell::buildMenu()
{
    auto& texts = m_delegate.localization();
    auto& model = m_delegate.model();
    auto text = [&texts](LK key) { return QString::fromStdString(texts.text(key)); };

    // Chords another program holds are named at the very top, as disabled lines.
    if (auto* hotkeys = m_delegate.hotkeyManager()) {
        const auto lines = shortcutWarningLines(hotkeys->failedRegistrations(), texts);
        for (const auto& line : lines)
            m_menu->addAction(QString::fromStdString(line))->setEnabled(false);
        if (!lines.empty())
            m_menu->addSeparator();
    }
    m_startPauseItem = m_menu->addAction(text(LK::menuStart));
    connect(m_startPauseItem, &QAction::triggered, this, [this] { m_delegate.routeCommand(ShortcutCommand::startPause); });
    QAction* reset = m_menu->addAction(text(LK::menuResetScroll));
    connect(reset, &QAction::triggered, this, [this] { m_delegate.routeCommand(ShortcutCommand::reset); });
    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(text(LK::menuQuit));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, [this] { requestQuit(); });

    // The start item reads "pause" while a run or its countdown is under way.
    auto refresh = [this, &model, text](bool) {
        const bool active = model.isRunning() || model.isCountingDown();
        m_startPauseItem->setText(text(active ? LK::menuPause : LK::menuStart));
    };
    m_subscriptions += model.isRunning.observe(refresh);
    m_subscriptions += model.isCountingDown.observe(refresh);
    m_subscriptions += model.isOverlayVisible.observeChanges([this](bool) { applyVisibilityRule(); });
    m_subscriptions += dropFirst(removeDuplicates(model.displayMode.source())).subscribe([this](DisplayMode) {
        applyVisibilityRule();
    });
}

DesktopShell::~DesktopShell()
{
    if (m_signalNotifier) {
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGINT, SIG_DFL);
    }
}

void DesktopShell::applyVisibilityRule()
{
    const PrompterModel& model = m_delegate.model();
    const bool notch = model.displayMode() == DisplayMode::notch;
    const bool visible = model.isOverlayVisible();
    if (notch && visible) {
        m_panel->place();
        m_panel->show();
    } else {
        m_panel->hide();
    }
    if (!notch && visible) {
        m_floating->show();
        m_floating->raise();
    } else {
        m_floating->hide();
    }
}

NotchPanel& DesktopShell::shownPanel()
{
    return m_delegate.model().displayMode() == DisplayMode::floating ? *m_floating : *m_panel;
}

void DesktopShell::show()
{
    applyVisibilityRule();
    m_tray->show();
}

void DesktopShell::installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    m_signalNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_signalNotifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] ssize_t ignored = ::read(g_signalPipe[0], &byte, 1);
        requestQuit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void DesktopShell::requestQuit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    if (m_options.screenshotPath && !saveScreenshot(*m_options.screenshotPath))
        std::fprintf(stderr, "tavilo: cannot save the screenshot to %s\n", qPrintable(*m_options.screenshotPath));
    QCoreApplication::quit();
}

bool DesktopShell::saveScreenshot(const QString& path)
{
    return shownPanel().grab().save(path, "PNG");
}

} // namespace tavilo
