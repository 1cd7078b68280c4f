#pragma once

#include "app/AppDelegate.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QSocketNotifier;

namespace tavilo {

class NotchPanel;

// The Qt side of the application: the tray item, the prompter panel, and the paths by which
// the process ends (the Quit item, SIGTERM/SIGINT, the end of the desktop session), all of
// which run the delegate's termination sequence.
class DesktopShell final : public QObject {
public:
    struct Options {
        std::optional<QString> screenshotPath;
        std::optional<double> quitAfterSeconds;
    };

    DesktopShell(AppDelegate& delegate, Options options);
    ~DesktopShell() override;

    void show();
    // Takes the screenshot if one was asked for, then leaves the event loop.
    void requestQuit();

    // Installs SIGTERM and SIGINT handlers that end up in requestQuit() on the main thread.
    void installSignalHandlers();

    NotchPanel& panel() { return *m_panel; }
    // The panel the display mode shows.
    NotchPanel& shownPanel();

    // Saves a PNG of the prompter panel as it is now.
    bool saveScreenshot(const QString& path);

private:
    AppDelegate& m_delegate;
    Options m_options;
    std::unique_ptr<NotchPanel> m_panel;
    std::unique_ptr<NotchPanel> m_floating;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    QSocketNotifier* m_signalNotifier = nullptr;
    bool m_quitting = false;
    QAction* m_startPauseItem = nullptr;
    SubscriptionBag m_subscriptions;

    void buildMenu();
    void applyVisibilityRule();
};

} // namespace tavilo
