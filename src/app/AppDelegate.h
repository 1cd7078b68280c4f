#pragma once

#include "base/AppPaths.h"
#include "base/MainLoop.h"
#include "base/NotificationCenter.h"
#include "base/PreferencesStore.h"
#include "base/Subscription.h"
#include "core/PrompterModel.h"
#include "core/TimerEngine.h"
#include "desktop/GlobalHotkeyManager.h"
#include "desktop/HotkeyGroupWiring.h"
#include "desktop/ShortcutCommandRouter.h"
#include "scripts/ScriptLibrary.h"
#include "stats/StatsManager.h"
#include "stats/StatsStore.h"
#include "strings/LocalizationManager.h"

#include <functional>
#include <memory>
#include <string>

namespace tavilo {

// Owns the long-lived services and runs the launch and termination sequences, with the
// wiring that keeps the run timer, the statistics recorder and the hotkey groups in step with
// the model. Plain C++: the desktop shell builds its windows around it and forwards the
// platform's lifecycle to it.
class AppDelegate {
public:
    static constexpr Duration kSettingsSaveDelay = std::chrono::milliseconds(250);

    AppDelegate(MainLoop& loop, PreferencesStore& store, NotificationCenter& notifications, const AppPaths& paths);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The window system's hotkeys; set before launch. Without one there are no hotkeys and
    // the command channel is the only way in from outside.
    void setHotkeyBackend(HotkeyBackend* backend) { m_hotkeyBackend = backend; }
    // Whether one of Tavilo's own windows has the keyboard focus; every activation and
    // deactivation is forwarded here.
    void setApplicationActive(bool active) { m_applicationActive = active; }

    void applicationDidFinishLaunching();
    // Safe to call more than once: only the first call runs the sequence.
    void applicationWillTerminate();
    // The desktop session is ending and the process may be killed without quitting: the run
    // being recorded and the settings are written now.
    void sessionWillEnd();

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
    TimerEngine& runTimer() { return m_timer; }
    StatsStore& statsStore() { return m_statsStore; }
    StatsManager& statsManager() { return m_stats; }
    GlobalHotkeyManager* hotkeyManager() { return m_hotkeys.get(); }
    PreferencesStore& store() { return m_store; }
    MainLoop& loop() { return m_loop; }
    NotificationCenter& notifications() { return m_notifications; }

private:
    void saveSettings();
    PrompterCommands prompterCommands();
    void subscribeRunTimerAndRecorder();
    void registerHotkeys();

    MainLoop& m_loop;
    PreferencesStore& m_store;
    NotificationCenter& m_notifications;
    LocalizationManager m_localization;
    ScriptLibrary m_library;
    PrompterModel m_model;
    ShortcutCommandRouter m_router;
    TimerEngine m_timer;
    StatsStore m_statsStore;
    StatsManager m_stats;
    HotkeyBackend* m_hotkeyBackend = nullptr;
    std::unique_ptr<GlobalHotkeyManager> m_hotkeys;
    std::unique_ptr<HotkeyGroupWiring> m_hotkeyGroups;
    Published<bool> m_applicationActive { false };
    // FIXME: the voice-follow controller's isListening, once the delegate owns the controller
    // with its recognisers; until then nothing listens.
    Published<bool> m_isListening { false };
    // isRunning or listening: a run is being timed and recorded.
    Published<bool> m_runActive { false };
    SubscriptionBag m_cancellables;
    bool m_launched = false;
    bool m_terminated = false;
    bool m_firstLaunch = false;
    int m_settingsSaveCount = 0;
};

} // namespace tavilo
