#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tavilo {

// The keys the hotkeys use, named by what is printed on them. A backend turns each into the
// platform's own key identity (on X11 a keysym, resolved against the current keyboard map),
// so the core never sees key codes that change with the layout.
enum class HotkeyKey : std::uint8_t {
    p,
    r,
    j,
    h,
    o,
    equal,
    minus,
    g,
    period,
    comma,
    l,
    bracketRight,
    bracketLeft,
    pageDown,
    pageUp,
    right,
    left,
    up,
    down,
    digit1,
    digit2,
    digit3,
    digit4,
    digit5,
    digit6,
    digit7,
    digit8,
    digit9,
    space,
};

// The fixed chords all use Ctrl + Alt; the hands-free keys use no modifier at all.
enum class HotkeyModifiers : std::uint8_t {
    none,
    controlAlt,
};

// Four characters packed big-endian, so 'B' is the most significant byte.
constexpr std::uint32_t fourCharCode(const char (&text)[5])
{
    return (std::uint32_t(std::uint8_t(text[0])) << 24) | (std::uint32_t(std::uint8_t(text[1])) << 16)
        | (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

// Every registration carries this signature; an event with another one is not ours.
constexpr std::uint32_t hotkeySignature = fourCharCode("BLHK");

struct HotkeyID {
    std::uint32_t signature = 0;
    std::uint32_t number = 0;
    bool operator==(const HotkeyID&) const = default;
};

enum class HotkeyEventKind : std::uint8_t {
    pressed,
    released,
};

enum class HotkeyEventStatus : std::uint8_t {
    handled,
    notHandled,
};

// Identifies one registration made through a backend.
using HotkeyHandle = std::uint64_t;

// What the hotkey manager needs from the window system. Main thread only.
//
// A backend must report a registration as failed (no handle) when the chord is held by
// another client, and also when it already holds the same chord itself: the manager relies
// on the first registration of a key keeping its meaning.
class HotkeyBackend {
public:
    using EventHandler = std::function<HotkeyEventStatus(HotkeyEventKind, HotkeyID)>;

    virtual ~HotkeyBackend() = default;

    // Installs the one handler that receives press and release events of every
    // registration. Returns false when the backend cannot deliver events at all.
    virtual bool installEventHandler(EventHandler handler) = 0;
    virtual void removeEventHandler() = 0;

    // A held key delivers one press, then (possibly) further presses while it repeats, and
    // one release; never a release/press pair per repeat.
    virtual std::optional<HotkeyHandle> registerHotkey(HotkeyKey key, HotkeyModifiers modifiers, HotkeyID id) = 0;
    virtual void unregisterHotkey(HotkeyHandle handle) = 0;
};

} // namespace tavilo
