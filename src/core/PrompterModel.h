#pragma once

#include "base/MainLoop.h"
#include "base/PreferencesStore.h"
#include "base/Published.h"
#include "base/Uuid.h"
#include "core/PrompterTypes.h"
#include "cue/CueScript.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>

namespace tavilo {

class LocalizationManager;
class ScriptLibrary;

// The one observable object at the centre of the prompter: the script and its outline, every
// setting, and the live state of a run. Every command ends as a call on it; every view redraws
// from its published properties. Main thread only.
class PrompterModel {
public:
    static constexpr const char* kInitialScript
        = "Paste your script here.\n\nTip: Use the menu bar icon to start/pause or reset the scroll.";
    static constexpr double edgeFadeFraction = 0.2;

    PrompterModel(MainLoop& loop, PreferencesStore& store);
    PrompterModel(const PrompterModel&) = delete;
    PrompterModel& operator=(const PrompterModel&) = delete;

    // The script library that selectScript() and switchScript() read, and whose membership
    // test loadSettings() uses to keep a stored activeScriptID only while the library still
    // holds that script.
    void setScriptLibrary(ScriptLibrary* library);
    void setScriptLibraryCheck(std::function<bool(const Uuid&)> contains) { m_libraryContains = std::move(contains); }
    // The texts the model itself shows (the untitled script's banner title).
    void setLocalization(const LocalizationManager* localization) { m_localization = localization; }

    void loadSettings();
    void saveSettings();

    // 5 × round(c / 5) with c = 10 for v ≤ 10 and min(v, 300) above: a multiple of 5 in [10, 300].
    static double snapSpeed(double v);

    // ---- Properties, in declaration order ----
    Published<std::string> script { kInitialScript };
    Published<CueScript> cueScript;
    Published<ReadingMode> readingMode { ReadingMode::normal };
    Published<int64_t> activeSectionIndex { 0 };
    Published<bool> cueShowingOverview { false };
    Published<int64_t> cueMaterialIndex { 0 };
    Published<double> cueNotchHeight { 300 };
    Published<bool> showCueTotalTimer { false };
    Published<std::optional<Date>> cueSectionStartedAt;
    Published<std::optional<Date>> cueStartedAt;
    Published<std::optional<Uuid>> activeScriptID;
    Published<bool> spacePauseEnabled { true };
    Published<bool> scrollSessionActive { false };
    Published<Uuid> scriptFlashToken { Uuid::create() };
    std::string scriptFlashTitle;
    Published<bool> isRunning { false };
    Published<bool> manualScrollEnabled { false };
    Published<bool> isOverlayVisible { true };
    Published<bool> privacyModeEnabled { true };
    Published<bool> hasStartedSession { false };
    Published<bool> isCountingDown { false };
    Published<int64_t> countdownSeconds { 3 };
    Published<CountdownBehavior> countdownBehavior { CountdownBehavior::freshStartOnly };
    Published<int64_t> countdownRemaining { 0 };
    Published<bool> didReachEndInStopMode { false };
    Published<double> speedPointsPerSecond { 80 };
    Published<double> fontSize { 20 };
    Published<double> overlayWidth { 600 };
    Published<double> overlayHeight { 150 };
    Published<DisplayMode> displayMode { DisplayMode::notch };
    Published<bool> adaptiveFontSize { true };
    Published<double> floatingWidth { 700 };
    Published<double> floatingHeight { 320 };
    Published<double> floatingOriginX { std::numeric_limits<double>::quiet_NaN() };
    Published<double> floatingOriginY { std::numeric_limits<double>::quiet_NaN() };
    Published<VoiceEngine> voiceEngine { VoiceEngine::automatic };
    Published<double> voiceFollowNotchHeight { 280 };
    Published<double> backgroundOpacity { 1.0 };
    Published<ScrollMode> scrollMode { ScrollMode::infinite };
    Published<MotionStyle> motionStyle { MotionStyle::standard };
    Published<TimerMode> timerMode { TimerMode::off };
    Published<int64_t> timerTargetSeconds { 60 };
    Published<bool> statsEnabled { true };
    Published<bool> showSessionSummary { true };
    Published<bool> gestureControlEnabled { true };
    Published<bool> miniPrompterEnabled { false };
    Published<bool> handsFreeKeysEnabled { false };
    Published<uint32_t> selectedScreenID { 0 };
    Published<Uuid> resetToken { Uuid::create() };
    Published<Uuid> jumpBackToken { Uuid::create() };
    Published<double> jumpBackDistancePoints { 0 };
    Published<Uuid> manualScrollToken { Uuid::create() };
    Published<double> manualScrollDeltaPoints { 0 };
    std::optional<double> savedScrollPhaseForResume;
    TimerHandle countdownTask;
    bool shouldUseCountdownOnNextStart = true;

    // ---- Session control ----
    void toggleRunning();
    void start();
    void pause();
    void reset();
    void adjustSpeed(double delta);
    void jumpBack();
    void toggleAutoScroll();
    void manualScroll(double delta);
    void swipe(GestureDirection direction);
    void reachedEnd();
    void setScrollMode(ScrollMode mode);
    void selectScript(const Uuid& id);
    void switchScript(bool forward);
    void pasteScript(const std::string& text);
    void clearScript();
    void flashScriptTitle(const std::optional<std::string>& title);

    // ---- Cue navigation ----
    void enterCue();
    void exitCue();
    void toggleCue();
    void nextCuePoint();
    void previousCuePoint();
    void toggleCueOverview();
    void jumpToCuePoint(int64_t index);
    void scrollCue(int64_t delta);
    void goToCueSection(int64_t index);
    void enterCueIfOutlineOnly();
    // min(count − 1, max(0, activeSectionIndex)), 0 when there are no sections.
    int64_t clampedSectionIndex() const;

    // The settings whose change schedules a save, merged into one signal.
    Source<Unit> watchedSettingsChanged() const;

    MainLoop& loop() const { return m_loop; }

private:
    void beginRunning();
    void startCountdown(int64_t seconds);
    void cancelCountdownTask();
    void countdownTick();

    MainLoop& m_loop;
    PreferencesStore& m_store;
    ScriptLibrary* m_library = nullptr;
    const LocalizationManager* m_localization = nullptr;
    std::function<bool(const Uuid&)> m_libraryContains;
    std::string m_parsedScript;
    Subscription m_scriptRule;
};

} // namespace tavilo
