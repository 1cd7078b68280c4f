#include "AppDelegate.h"

namespace tavilo {

AppDelegate::AppDelegate(MainLoop& loop, PreferencesStore& store, NotificationCenter& notifications, const AppPaths& paths)
    : m_loop(loop)
    , m_store(store)
    , m_notifications(notifications)
    , m_localization(store, notifications)
    , m_library(store, loop)
    , m_model(loop, store)
    , m_router(prompterCommands())
    , m_timer(loop)
    , m_statsStore(paths, loop)
    , m_stats(m_model, m_timer, m_statsStore, notifications, m_library, m_localization, loop)
{
    m_model.setScriptLibrary(&m_library);
    m_model.setLocalization(&m_localization);
}

AppDelegate::~AppDelegate()
{
    m_cancellables.cancelAll();
    if (m_hotkeyGroups)
        m_hotkeyGroups->cancel();
    if (m_hotkeys)
        m_hotkeys->unregisterAll();
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;

    const bool hasSavedSession = m_store.readBool("hasSavedSession");
    m_firstLaunch = !hasSavedSession;
    m_model.loadSettings();
    if (!hasSavedSession)
        m_model.script = m_localization.defaultScript();

    // Every source delivers its current value on subscription, so this fires once 250 ms after
    // launch too, which is what writes "hasSavedSession" on a first launch.
    m_cancellables += debounce(m_model.watchedSettingsChanged(), m_loop, kSettingsSaveDelay).subscribe([this](Unit) {
        saveSettings();
    });
    subscribeRunTimerAndRecorder();
    registerHotkeys();
}

void AppDelegate::subscribeRunTimerAndRecorder()
{
    PrompterModel& m = m_model;
    // Voice follow keeps a run alive as scrolling does: either one times and records it.
    auto update = [&m, this](bool) { m_runActive = m.isRunning() || m_isListening(); };
    m_cancellables += m.isRunning.observe(update);
    m_cancellables += m_isListening.observe(update);
    m_cancellables += dropFirst(removeDuplicates(m_runActive.source())).subscribe([this](bool running) {
        if (running) {
            m_timer.start();
            m_stats.begin();
        } else {
            m_timer.pause();
        }
    });

    m_cancellables += dropFirst(m.resetToken.source()).subscribe([this, &m](const Uuid&) {
        m_stats.finish(false);
        m_timer.reset();
        // A reset while running keeps the text scrolling and the timer ticking from zero, so
        // the rest of that run is a recording of its own.
        if (m.isRunning() || m_isListening())
            m_stats.begin();
    });
    m_cancellables += dropFirst(removeDuplicates(m.didReachEndInStopMode.source())).subscribe([this](bool reached) {
        if (reached)
            m_stats.finish(true);
    });
}

void AppDelegate::registerHotkeys()
{
    if (!m_hotkeyBackend)
        return;
    m_hotkeys = std::make_unique<GlobalHotkeyManager>(
        m_loop, *m_hotkeyBackend, [this](ShortcutCommand command) { m_router.route(command); },
        [this](int64_t index) { m_router.jumpToIndex(index); }, [this](int64_t step) { m_router.cueScroll(step); });
    m_hotkeys->registerAll();
    PrompterModel& m = m_model;
    HotkeyGroupSources sources;
    sources.handsFreeKeysEnabled = m.handsFreeKeysEnabled.source();
    sources.isRunning = m.isRunning.source();
    sources.cueMode = map(m.readingMode.source(), [](ReadingMode mode) { return mode == ReadingMode::cue; });
    sources.spacePauseEnabled = m.spacePauseEnabled.source();
    sources.scrollSessionActive = m.scrollSessionActive.source();
    sources.isListening = m_isListening.source();
    sources.applicationActive = m_applicationActive.source();
    m_hotkeyGroups = std::make_unique<HotkeyGroupWiring>(*m_hotkeys, sources);
}

void AppDelegate::applicationWillTerminate()
{
    if (!m_launched || m_terminated)
        return;
    m_terminated = true;
    m_stats.finish(false);
    saveSettings();
    if (m_hotkeyGroups)
        m_hotkeyGroups->cancel();
    if (m_hotkeys)
        m_hotkeys->unregisterAll();
    m_cancellables.cancelAll();
    m_store.flush();
}

void AppDelegate::sessionWillEnd()
{
    if (!m_launched || m_terminated)
        return;
    m_stats.finish(false);
    // If the logout is cancelled the run goes on, and so does its recording.
    if (m_runActive())
        m_stats.begin();
    saveSettings();
    m_store.flush();
}

PrompterCommands AppDelegate::prompterCommands()
{
    PrompterModel& m = m_model;
    PrompterCommands c;
    c.toggleRunning = [&m] { m.toggleRunning(); };
    c.reset = [&m] { m.reset(); };
    c.jumpBack = [&m] { m.jumpBack(); };
    c.togglePrivacy = [&m] { m.privacyModeEnabled = !m.privacyModeEnabled(); };
    c.toggleOverlay = [&m] { m.isOverlayVisible = !m.isOverlayVisible(); };
    c.adjustSpeed = [&m](double delta) { m.adjustSpeed(delta); };
    c.isNormalReadingMode = [&m] { return m.readingMode() == ReadingMode::normal; };
    // FIXME: stop the voice-follow controller here once it is owned by the delegate.
    c.stopVoiceFollow = [] {};
    c.toggleCue = [&m] { m.toggleCue(); };
    c.nextCuePoint = [&m] { m.nextCuePoint(); };
    c.previousCuePoint = [&m] { m.previousCuePoint(); };
    c.toggleCueOverview = [&m] { m.toggleCueOverview(); };
    c.switchScript = [&m](bool forward) { m.switchScript(forward); };
    c.jumpToCuePoint = [&m](int64_t index) { m.jumpToCuePoint(index); };
    c.scrollCue = [&m](int64_t step) { m.scrollCue(step); };
    return c;
}

void AppDelegate::saveSettings()
{
    m_model.saveSettings();
    ++m_settingsSaveCount;
}

} // namespace tavilo
