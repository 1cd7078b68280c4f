#pragma once

#include "base/MainLoop.h"
#include "desktop/HotkeyBackend.h"
#include "desktop/ShortcutCommand.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tavilo {

// The hands-free key groups. The three cue groups are always switched together.
enum class HotkeyGroup : std::uint8_t {
    cueNavigation,
    cuePointDigits,
    cueScrolling,
    speedKeys,
    playPause,
};

// Owns the system-wide hotkeys: the thirteen fixed Ctrl+Alt chords, registered for the life
// of the process, and the hands-free groups of bare keys that the application switches on
// and off with the model's state. Turns press events into the three callbacks, always
// queued to the main loop, never run inside the event handler. Main thread only.
class GlobalHotkeyManager {
public:
    using CommandCallback = std::function<void(ShortcutCommand)>;
    using IndexCallback = std::function<void(std::int64_t)>;

    // A press that follows the previous press of the same key by less than this, without a
    // release in between, is auto-repeat and is swallowed.
    static constexpr double holdSuppressionSeconds = 1.0;

    // The backend must outlive the manager.
    GlobalHotkeyManager(MainLoop& loop, HotkeyBackend& backend, CommandCallback onCommand,
        IndexCallback onJumpToIndex, IndexCallback onCueScroll);
    ~GlobalHotkeyManager();
    GlobalHotkeyManager(const GlobalHotkeyManager&) = delete;
    GlobalHotkeyManager& operator=(const GlobalHotkeyManager&) = delete;

    // The launch registration: starts from nothing, then registers every fixed chord in
    // declaration order. Chords that could not be registered end in failedRegistrations().
    void registerAll();

    // Removes every registration (groups included) and the event handler.
    void unregisterAll();

    // Each switches its group only when `on` differs from the group's flag; the flag is set
    // before the registrations change. The three cue groups (navigation, digits, scrolling)
    // go together. A key of a group that cannot be registered is skipped silently.
    void setCueGroupsActive(bool on);
    void setSpeedKeysActive(bool on);
    void setPlayPauseActive(bool on);

    bool cueNavActive() const { return m_cueNavActive; }
    bool speedNavActive() const { return m_speedNavActive; }
    bool playPauseNavActive() const { return m_playPauseNavActive; }

    // Fixed chords that failed at the last registerAll(), in declaration order.
    const std::vector<ShortcutCommand>& failedRegistrations() const { return m_failedRegistrations; }

    bool isEventHandlerInstalled() const { return m_eventHandlerInstalled; }

private:
    void installEventHandlerIfMissing();
    void switchGroupOn(HotkeyGroup group, std::vector<HotkeyHandle>& refs);
    void switchGroupOff(HotkeyGroup group, std::vector<HotkeyHandle>& refs);
    HotkeyEventStatus handleEvent(HotkeyEventKind kind, HotkeyID id);
    void queue(Task task);

    MainLoop& m_loop;
    HotkeyBackend& m_backend;

    std::map<ShortcutCommand, HotkeyHandle> m_hotKeyRefs;
    bool m_eventHandlerInstalled = false;
    CommandCallback m_onCommand;
    IndexCallback m_onJumpToIndex;
    IndexCallback m_onCueScroll;
    std::map<std::uint32_t, MonotonicTime> m_heldSince;
    std::map<std::uint32_t, ShortcutCommand> m_commandForHotKeyID;
    std::vector<HotkeyHandle> m_cueNavRefs;
    bool m_cueNavActive = false;
    std::vector<HotkeyHandle> m_cueJumpRefs;
    std::map<std::uint32_t, std::int64_t> m_jumpIndexForHotKeyID;
    std::vector<HotkeyHandle> m_cueScrollRefs;
    std::map<std::uint32_t, std::int64_t> m_scrollDeltaForHotKeyID;
    std::vector<HotkeyHandle> m_speedNavRefs;
    bool m_speedNavActive = false;
    std::vector<HotkeyHandle> m_playPauseNavRefs;
    bool m_playPauseNavActive = false;
    std::vector<ShortcutCommand> m_failedRegistrations;

    // Queued callbacks hold this weakly, so none runs after the manager is gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace tavilo
