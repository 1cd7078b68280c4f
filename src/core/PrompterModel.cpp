#include "PrompterModel.h"

#include "base/Clamp.h"

#include <algorithm>

namespace tavilo {

PrompterModel::PrompterModel(MainLoop& loop, PreferencesStore& store)
    : m_loop(loop)
    , m_store(store)
{
    m_parsedScript = script();
    cueScript = CueScript::parse(m_parsedScript);
    // Registered first, so the outline is current before any other observer of the script runs.
    m_scriptRule = script.observeChanges([this](const std::string& text) {
        if (text == m_parsedScript)
            return;
        m_parsedScript = text;
        cueScript = CueScript::parse(text);
    });
}

double PrompterModel::snapSpeed(double v)
{
    const double c = v <= 10 ? 10 : std::min(v, 300.0);
    return 5 * std::round(c / 5); // std::round takes halves away from zero
}

void PrompterModel::loadSettings()
{
    auto& s = m_store;
    auto readBool = [&](const char* key) -> std::optional<bool> {
        auto value = s.readObject(key);
        if (value && std::holds_alternative<bool>(*value))
            return std::get<bool>(*value);
        return std::nullopt;
    };
    // Out-of-range and non-finite numbers are clamped rather than rejected; NaN has no place
    // in a clamp, so it counts as a value of the wrong type.
    auto readFinite = [&](const char* key) -> std::optional<double> {
        auto value = s.readNumber(key);
        if (value && std::isfinite(*value))
            return value;
        return std::nullopt;
    };
    auto readClamped = [&](Published<double>& property, const char* key, double a, double b) {
        property = clampTo(readFinite(key).value_or(property()), a, b);
    };
    auto readCase = [&]<typename E>(const char* key, E*) -> std::optional<E> {
        if (auto text = s.readText(key))
            return caseNamed<E>(*text);
        return std::nullopt;
    };

    // 1
    if (!s.readBool("hasSavedSession"))
        return;
    // 2
    if (auto text = s.readText("script"))
        script = *text;
    // 3, 4
    privacyModeEnabled = readBool("privacyModeEnabled").value_or(privacyModeEnabled());
    isOverlayVisible = readBool("isOverlayVisible").value_or(true);
    // 5: a loaded session always starts stopped.
    countdownTask.cancel();
    isRunning = false;
    isCountingDown = false;
    countdownRemaining = 0;
    hasStartedSession = false;
    shouldUseCountdownOnNextStart = true;
    // 6, 7, 8
    speedPointsPerSecond = snapSpeed(readFinite("speedPointsPerSecond").value_or(speedPointsPerSecond()));
    readClamped(fontSize, "fontSize", 12, 40);
    readClamped(overlayWidth, "overlayWidth", 400, 1200);
    readClamped(overlayHeight, "overlayHeight", 120, 300);
    // 9
    backgroundOpacity = 1.0;
    s.remove("backgroundOpacity");
    // 10
    countdownSeconds = clampTo<int64_t>(s.readInteger("countdownSeconds").value_or(countdownSeconds()), 0, 10);
    // 11, 12
    countdownBehavior = readCase("countdownBehavior", static_cast<CountdownBehavior*>(nullptr))
                            .value_or(CountdownBehavior::freshStartOnly);
    scrollMode = s.readText("scrollMode") == std::optional<std::string>("stopAtEnd") ? ScrollMode::stopAtEnd
                                                                                     : ScrollMode::infinite;
    // 13: an unsigned 32-bit number.
    {
        auto id = s.readInteger("selectedScreenID");
        selectedScreenID = id && *id >= 0 && *id <= 0xFFFFFFFFll ? static_cast<uint32_t>(*id) : 0u;
    }
    // 14
    if (auto mode = readCase("displayMode", static_cast<DisplayMode*>(nullptr)))
        displayMode = *mode;
    // 15, 16, 17
    adaptiveFontSize = readBool("adaptiveFontSize").value_or(true);
    readClamped(floatingWidth, "floatingWidth", 320, 2200);
    readClamped(floatingHeight, "floatingHeight", 160, 1400);
    floatingOriginX = readFinite("floatingOriginX").value_or(std::numeric_limits<double>::quiet_NaN());
    floatingOriginY = readFinite("floatingOriginY").value_or(std::numeric_limits<double>::quiet_NaN());
    // 18, 19
    if (auto engine = readCase("voiceEngine", static_cast<VoiceEngine*>(nullptr)))
        voiceEngine = *engine;
    readClamped(voiceFollowNotchHeight, "voiceFollowNotchHeight", 180, 600);
    // 20: the script text of step 2 is kept even when the id goes.
    {
        std::optional<Uuid> id;
        if (auto text = s.readText("activeScriptID"))
            id = Uuid::fromString(*text);
        if (id && !(m_libraryContains && m_libraryContains(*id)))
            id.reset();
        activeScriptID = id;
    }
    // 21, 22
    readClamped(cueNotchHeight, "cueNotchHeight", 180, 600);
    showCueTotalTimer = readBool("showCueTotalTimer").value_or(showCueTotalTimer());
    spacePauseEnabled = readBool("spacePauseEnabled").value_or(spacePauseEnabled());
    // 23, 24
    if (auto style = readCase("motionStyle", static_cast<MotionStyle*>(nullptr)))
        motionStyle = *style;
    if (auto mode = readCase("timerMode", static_cast<TimerMode*>(nullptr)))
        timerMode = *mode;
    timerTargetSeconds = clampTo<int64_t>(s.readInteger("timerTargetSeconds").value_or(timerTargetSeconds()), 5, 3600);
    // 25
    statsEnabled = readBool("statsEnabled").value_or(statsEnabled());
    showSessionSummary = readBool("showSessionSummary").value_or(showSessionSummary());
    gestureControlEnabled = readBool("gestureControlEnabled").value_or(gestureControlEnabled());
    miniPrompterEnabled = readBool("miniPrompterEnabled").value_or(miniPrompterEnabled());
    handsFreeKeysEnabled = readBool("handsFreeKeysEnabled").value_or(handsFreeKeysEnabled());
}

void PrompterModel::saveSettings()
{
    auto& s = m_store;
    auto text = [](auto value) { return std::string(caseName(value)); };
    s.writeBool("hasSavedSession", true);
    s.writeText("script", script());
    s.writeBool("isRunning", isRunning());
    s.writeBool("isOverlayVisible", isOverlayVisible());
    s.writeBool("privacyModeEnabled", privacyModeEnabled());
    s.writeDouble("speedPointsPerSecond", speedPointsPerSecond());
    s.writeDouble("fontSize", fontSize());
    s.writeDouble("overlayWidth", overlayWidth());
    s.writeDouble("overlayHeight", overlayHeight());
    s.writeInteger("countdownSeconds", countdownSeconds());
    s.writeText("countdownBehavior", text(countdownBehavior()));
    s.writeText("scrollMode", text(scrollMode()));
    s.writeInteger("selectedScreenID", selectedScreenID());
    s.writeText("displayMode", text(displayMode()));
    s.writeBool("adaptiveFontSize", adaptiveFontSize());
    s.writeDouble("floatingWidth", floatingWidth());
    s.writeDouble("floatingHeight", floatingHeight());
    if (std::isfinite(floatingOriginX()))
        s.writeDouble("floatingOriginX", floatingOriginX());
    if (std::isfinite(floatingOriginY()))
        s.writeDouble("floatingOriginY", floatingOriginY());
    s.writeText("voiceEngine", text(voiceEngine()));
    s.writeDouble("voiceFollowNotchHeight", voiceFollowNotchHeight());
    if (activeScriptID())
        s.writeText("activeScriptID", activeScriptID()->toString());
    else
        s.remove("activeScriptID");
    s.writeDouble("cueNotchHeight", cueNotchHeight());
    s.writeBool("showCueTotalTimer", showCueTotalTimer());
    s.writeBool("spacePauseEnabled", spacePauseEnabled());
    s.writeText("motionStyle", text(motionStyle()));
    s.writeText("timerMode", text(timerMode()));
    s.writeInteger("timerTargetSeconds", timerTargetSeconds());
    s.writeBool("statsEnabled", statsEnabled());
    s.writeBool("showSessionSummary", showSessionSummary());
    s.writeBool("gestureControlEnabled", gestureControlEnabled());
    s.writeBool("miniPrompterEnabled", miniPrompterEnabled());
    s.writeBool("handsFreeKeysEnabled", handsFreeKeysEnabled());
}

Source<Unit> PrompterModel::watchedSettingsChanged() const
{
    auto changes = [](const auto& property) { return asSignal(removeDuplicates(property.source())); };
    // NaN never equals itself, so a NaN origin would count as a change every time it is
    // assigned; compare the origins by bit pattern instead.
    auto originChanges = [](const Published<double>& property) {
        return Source<Unit>([&property](Observer<Unit> observer) {
            auto last = std::make_shared<std::optional<double>>();
            return property.observe([observer, last](double v) {
                const bool same = *last && ((std::isnan(**last) && std::isnan(v)) || **last == v);
                *last = v;
                if (!same)
                    observer(Unit {});
            });
        });
    };
    return merge<Unit>({ changes(script), changes(isRunning), changes(privacyModeEnabled),
        changes(speedPointsPerSecond), changes(fontSize), changes(overlayWidth), changes(overlayHeight),
        changes(countdownSeconds), changes(countdownBehavior), changes(scrollMode), changes(selectedScreenID),
        changes(displayMode), changes(adaptiveFontSize), changes(floatingWidth), changes(floatingHeight),
        originChanges(floatingOriginX), originChanges(floatingOriginY), changes(voiceEngine),
        changes(voiceFollowNotchHeight), changes(activeScriptID), changes(cueNotchHeight), changes(showCueTotalTimer),
        changes(spacePauseEnabled), changes(motionStyle), changes(timerMode), changes(timerTargetSeconds),
        changes(statsEnabled), changes(showSessionSummary), changes(gestureControlEnabled),
        changes(miniPrompterEnabled), changes(handsFreeKeysEnabled) });
}

} // namespace tavilo
