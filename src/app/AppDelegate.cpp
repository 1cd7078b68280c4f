#include "AppDelegate.h"

namespace tavilo {

AppDelegate::AppDelegate(MainLoop& loop, PreferencesStore& store, NotificationCenter& notifications)
    : m_loop(loop)
    , m_store(store)
    , m_notifications(notifications)
    , m_localization(store, notifications)
    , m_library(store, loop)
    , m_model(loop, store)
    , m_router(prompterCommands())
{
    m_model.setScriptLibrary(&m_library);
    m_model.setLocalization(&m_localization);
}

AppDelegate::~AppDelegate()
{
    m_cancellables.cancelAll();
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
}

void AppDelegate::applicationWillTerminate()
{
    if (!m_launched || m_terminated)
        return;
    m_terminated = true;
    saveSettings();
    m_cancellables.cancelAll();
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
