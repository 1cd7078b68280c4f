#include "desktop/GlobalHotkeyManager.h"

namespace tavilo {

namespace {

enum class PayloadKind : std::uint8_t { command, jumpIndex, scrollDelta };

struct GroupKey {
    HotkeyKey key;
    std::uint32_t id;
    PayloadKind kind;
    ShortcutCommand command; // when kind is command
    std::int64_t value; // the jump index or the scroll step otherwise
};

GroupKey commandKey(HotkeyKey key, std::uint32_t id, ShortcutCommand command)
{
    return { key, id, PayloadKind::command, command, 0 };
}

GroupKey valueKey(HotkeyKey key, std::uint32_t id, PayloadKind kind, std::int64_t value)
{
    return { key, id, kind, ShortcutCommand::startPause, value };
}

// The hands-free groups, all registered without modifiers. Up and Down appear both as cue
// scrolling and as speed keys: whichever group registers them first keeps them.
const std::vector<GroupKey> cueNavigationKeys {
    commandKey(HotkeyKey::pageDown, 101, ShortcutCommand::cueNext),
    commandKey(HotkeyKey::right, 102, ShortcutCommand::cueNext),
    commandKey(HotkeyKey::pageUp, 104, ShortcutCommand::cuePrev),
    commandKey(HotkeyKey::left, 105, ShortcutCommand::cuePrev),
};

const std::vector<GroupKey> cuePointDigitKeys = [] {
    constexpr HotkeyKey digits[] = { HotkeyKey::digit1, HotkeyKey::digit2, HotkeyKey::digit3, HotkeyKey::digit4,
        HotkeyKey::digit5, HotkeyKey::digit6, HotkeyKey::digit7, HotkeyKey::digit8, HotkeyKey::digit9 };
    std::vector<GroupKey> keys;
    for (std::uint32_t i = 0; i < std::size(digits); ++i)
        keys.push_back(valueKey(digits[i], 111 + i, PayloadKind::jumpIndex, i));
    return keys;
}();

const std::vector<GroupKey> cueScrollingKeys {
    valueKey(HotkeyKey::up, 121, PayloadKind::scrollDelta, -1),
    valueKey(HotkeyKey::down, 122, PayloadKind::scrollDelta, +1),
};

const std::vector<GroupKey> speedKeys {
    commandKey(HotkeyKey::up, 201, ShortcutCommand::speedUp),
    commandKey(HotkeyKey::down, 202, ShortcutCommand::speedDown),
};

const std::vector<GroupKey> playPauseKeys {
    commandKey(HotkeyKey::space, 301, ShortcutCommand::startPause),
};

const std::vector<GroupKey>& keysOf(HotkeyGroup group)
{
    switch (group) {
    case HotkeyGroup::cueNavigation:
        return cueNavigationKeys;
    case HotkeyGroup::cuePointDigits:
        return cuePointDigitKeys;
    case HotkeyGroup::cueScrolling:
        return cueScrollingKeys;
    case HotkeyGroup::speedKeys:
        return speedKeys;
    case HotkeyGroup::playPause:
        break;
    }
    return playPauseKeys;
}

} // namespace

GlobalHotkeyManager::GlobalHotkeyManager(MainLoop& loop, HotkeyBackend& backend, CommandCallback onCommand,
    IndexCallback onJumpToIndex, IndexCallback onCueScroll)
    : m_loop(loop)
    , m_backend(backend)
    , m_onCommand(std::move(onCommand))
    , m_onJumpToIndex(std::move(onJumpToIndex))
    , m_onCueScroll(std::move(onCueScroll))
{
}

GlobalHotkeyManager::~GlobalHotkeyManager()
{
    // The backend's handler points at this object: it must not outlive it.
    unregisterAll();
}

void GlobalHotkeyManager::registerAll()
{
    unregisterAll();
    installEventHandlerIfMissing();

    std::vector<ShortcutCommand> failures;
    for (const auto& info : shortcutCommands()) {
        auto handle = m_backend.registerHotkey(info.key, HotkeyModifiers::controlAlt, { hotkeySignature, info.hotKeyID });
        if (!handle) {
            failures.push_back(info.command);
            continue;
        }
        m_hotKeyRefs[info.command] = *handle;
        m_commandForHotKeyID[info.hotKeyID] = info.command;
    }
    m_failedRegistrations = std::move(failures);
}

void GlobalHotkeyManager::unregisterAll()
{
    setCueGroupsActive(false);
    setSpeedKeysActive(false);
    setPlayPauseActive(false);

    for (const auto& [command, handle] : m_hotKeyRefs)
        m_backend.unregisterHotkey(handle);
    m_hotKeyRefs.clear();
    m_commandForHotKeyID.clear();
    m_jumpIndexForHotKeyID.clear();
    m_scrollDeltaForHotKeyID.clear();
    m_heldSince.clear();

    if (m_eventHandlerInstalled) {
        m_backend.removeEventHandler();
        m_eventHandlerInstalled = false;
    }
    m_failedRegistrations.clear();
}

void GlobalHotkeyManager::setCueGroupsActive(bool on)
{
    if (on == m_cueNavActive)
        return;
    m_cueNavActive = on;
    if (on) {
        switchGroupOn(HotkeyGroup::cueNavigation, m_cueNavRefs);
        switchGroupOn(HotkeyGroup::cuePointDigits, m_cueJumpRefs);
        switchGroupOn(HotkeyGroup::cueScrolling, m_cueScrollRefs);
    } else {
        switchGroupOff(HotkeyGroup::cueNavigation, m_cueNavRefs);
        switchGroupOff(HotkeyGroup::cuePointDigits, m_cueJumpRefs);
        switchGroupOff(HotkeyGroup::cueScrolling, m_cueScrollRefs);
    }
}

void GlobalHotkeyManager::setSpeedKeysActive(bool on)
{
    if (on == m_speedNavActive)
        return;
    m_speedNavActive = on;
    if (on)
        switchGroupOn(HotkeyGroup::speedKeys, m_speedNavRefs);
    else
        switchGroupOff(HotkeyGroup::speedKeys, m_speedNavRefs);
}

void GlobalHotkeyManager::setPlayPauseActive(bool on)
{
    if (on == m_playPauseNavActive)
        return;
    m_playPauseNavActive = on;
    if (on)
        switchGroupOn(HotkeyGroup::playPause, m_playPauseNavRefs);
    else
        switchGroupOff(HotkeyGroup::playPause, m_playPauseNavRefs);
}

void GlobalHotkeyManager::installEventHandlerIfMissing()
{
    if (m_eventHandlerInstalled)
        return;
    m_eventHandlerInstalled = m_backend.installEventHandler(
        [this](HotkeyEventKind kind, HotkeyID id) { return handleEvent(kind, id); });
}

void GlobalHotkeyManager::switchGroupOn(HotkeyGroup group, std::vector<HotkeyHandle>& refs)
{
    installEventHandlerIfMissing();
    for (const auto& key : keysOf(group)) {
        auto handle = m_backend.registerHotkey(key.key, HotkeyModifiers::none, { hotkeySignature, key.id });
        if (!handle)
            continue; // silently: the key keeps the meaning of the registration that holds it
        refs.push_back(*handle);
        switch (key.kind) {
        case PayloadKind::command:
            m_commandForHotKeyID[key.id] = key.command;
            break;
        case PayloadKind::jumpIndex:
            m_jumpIndexForHotKeyID[key.id] = key.value;
            break;
        case PayloadKind::scrollDelta:
            m_scrollDeltaForHotKeyID[key.id] = key.value;
            break;
        }
    }
}

void GlobalHotkeyManager::switchGroupOff(HotkeyGroup group, std::vector<HotkeyHandle>& refs)
{
    for (auto handle : refs)
        m_backend.unregisterHotkey(handle);
    refs.clear();
    for (const auto& key : keysOf(group)) {
        switch (key.kind) {
        case PayloadKind::command:
            m_commandForHotKeyID.erase(key.id);
            break;
        case PayloadKind::jumpIndex:
            m_jumpIndexForHotKeyID.erase(key.id);
            break;
        case PayloadKind::scrollDelta:
            m_scrollDeltaForHotKeyID.erase(key.id);
            break;
        }
        m_heldSince.erase(key.id);
    }
}

HotkeyEventStatus GlobalHotkeyManager::handleEvent(HotkeyEventKind kind, HotkeyID id)
{
    if (id.signature != hotkeySignature)
        return HotkeyEventStatus::notHandled;

    const MonotonicTime now = m_loop.now();
    if (kind == HotkeyEventKind::released) {
        m_heldSince.erase(id.number);
        return HotkeyEventStatus::handled;
    }

    auto held = m_heldSince.find(id.number);
    if (held != m_heldSince.end() && toSeconds(now - held->second) < holdSuppressionSeconds) {
        // Auto-repeat of a held key: it fired on its first press. Refreshing the time keeps
        // a continuous hold silent however long it lasts.
        held->second = now;
        return HotkeyEventStatus::handled;
    }
    m_heldSince[id.number] = now;

    if (auto it = m_commandForHotKeyID.find(id.number); it != m_commandForHotKeyID.end()) {
        queue([callback = m_onCommand, command = it->second] {
            if (callback)
                callback(command);
        });
        return HotkeyEventStatus::handled;
    }
    if (auto it = m_jumpIndexForHotKeyID.find(id.number); it != m_jumpIndexForHotKeyID.end()) {
        queue([callback = m_onJumpToIndex, index = it->second] {
            if (callback)
                callback(index);
        });
        return HotkeyEventStatus::handled;
    }
    if (auto it = m_scrollDeltaForHotKeyID.find(id.number); it != m_scrollDeltaForHotKeyID.end()) {
        queue([callback = m_onCueScroll, step = it->second] {
            if (callback)
                callback(step);
        });
        return HotkeyEventStatus::handled;
    }
    return HotkeyEventStatus::notHandled;
}

void GlobalHotkeyManager::queue(Task task)
{
    m_loop.post([alive = std::weak_ptr<int>(m_alive), task = std::move(task)] {
        if (!alive.expired())
            task();
    });
}

} // namespace tavilo
