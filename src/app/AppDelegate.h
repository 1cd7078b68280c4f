#pragma once

#include "base/MainLoop.h"
#include "base/NotificationCenter.h"
#include "base/PreferencesStore.h"
#include "base/Subscription.h"
#include "core/PrompterModel.h"
#include "desktop/ShortcutCommandRouter.h"
#include "scripts/ScriptLibrary.h"
#include "strings/LocalizationManager.h"

#include <functional>
#include <string>

namespace tavilo {

// Owns the long-lived services and runs the launch and termination sequences. Plain C++: the
// desktop shell builds its windows around it and forwards the platform's lifecycle to it.
class AppDelegate {
public:
    static constexpr Duration kSettingsSaveDelay = std::chrono::milliseconds(250);

    AppDelegate(MainLoop& loop, PreferencesStore& store, NotificationCenter& notifications);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    // Safe to call more than once: only the first call runs the sequence.
    void applicationWillTerminate();

    bool hasLaunched() const { return m_launched; }
    bool wasFirstLaunch() const { return m_firstLaunch; }
    // How many times the settings were written, for observing the save debounce.
    int settingsSaveCount() const { return m_settingsSaveCount; }

    // Runs a hotkey command, whether it came from a key, the tray or the command channel.
    void routeCommand(ShortcutCommand command) { m_router.route(command); }
    const ShortcutCommandRouter& commandRouter() const { return m_router; }

    PrompterModel& model() { return m_model; }
    ScriptLibrary& library() { return m_library; }
    LocalizationManager& localization() { return m_localization; }
    PreferencesStore& store() { return m_store; }
    MainLoop& loop() { return m_loop; }
    NotificationCenter& notifications() { return m_notifications; }

private:
    MainLoop& m_loop;
    PreferencesStore& m_store;
    NotificationCenter& m_notifications;
    LocalizationManager m_localization;
    ScriptLibrary m_library;
    PrompterModel m_model;
    ShortcutCommandRouter m_router;
    SubscriptionBag m_cancellables;
    bool m_launched = false;
    bool m_terminated = false;
    bool m_firstLaunch = false;
    int m_settingsSaveCount = 0;

    void saveSettings();
    PrompterCommands prompterCommands();
};

} // namespace tavilo
