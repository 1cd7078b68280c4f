#pragma once

#include "desktop/HotkeyBackend.h"

#include <map>
#include <optional>
#include <set>
#include <utility>

namespace tavilo {

// Records registrations the way a window system would hold them: a chord held by "another
// application" or already held by this backend cannot be registered again.
class FakeHotkeyBackend final : public HotkeyBackend {
public:
    using Chord = std::pair<HotkeyKey, HotkeyModifiers>;

    struct Registration {
        Chord chord;
        HotkeyID id;
    };

    std::set<Chord> heldByOthers;
    bool handlerInstallFails = false;

    bool installEventHandler(EventHandler handler) override
    {
        if (handlerInstallFails)
            return false;
        m_handler = std::move(handler);
        return true;
    }
    void removeEventHandler() override { m_handler = nullptr; }

    std::optional<HotkeyHandle> registerHotkey(HotkeyKey key, HotkeyModifiers modifiers, HotkeyID id) override
    {
        ++registerCalls;
        const Chord chord { key, modifiers };
        if (heldByOthers.count(chord) || registrationFor(chord))
            return std::nullopt;
        m_registrations[++m_nextHandle] = { chord, id };
        return m_nextHandle;
    }

    void unregisterHotkey(HotkeyHandle handle) override
    {
        if (!m_registrations.erase(handle))
            ++unknownUnregistrations;
    }

    // Test side.
    int registerCalls = 0;
    int unknownUnregistrations = 0;

    bool hasHandler() const { return static_cast<bool>(m_handler); }
    size_t registrationCount() const { return m_registrations.size(); }
    bool isRegistered(HotkeyKey key, HotkeyModifiers modifiers = HotkeyModifiers::none) const
    {
        return registrationFor({ key, modifiers }) != nullptr;
    }

    // What the window system delivers when the user presses or releases a chord: an event for
    // the registration that holds it, or nothing at all.
    std::optional<HotkeyEventStatus> press(HotkeyKey key, HotkeyModifiers modifiers = HotkeyModifiers::none)
    {
        return deliver(HotkeyEventKind::pressed, { key, modifiers });
    }
    std::optional<HotkeyEventStatus> release(HotkeyKey key, HotkeyModifiers modifiers = HotkeyModifiers::none)
    {
        return deliver(HotkeyEventKind::released, { key, modifiers });
    }

    // An arbitrary event, as another component sharing the dispatcher might produce.
    HotkeyEventStatus send(HotkeyEventKind kind, HotkeyID id) { return m_handler(kind, id); }

private:
    const Registration* registrationFor(const Chord& chord) const
    {
        for (const auto& [handle, registration] : m_registrations) {
            if (registration.chord == chord)
                return &registration;
        }
        return nullptr;
    }

    std::optional<HotkeyEventStatus> deliver(HotkeyEventKind kind, const Chord& chord)
    {
        const Registration* registration = registrationFor(chord);
        if (!registration || !m_handler)
            return std::nullopt;
        return m_handler(kind, registration->id);
    }

    EventHandler m_handler;
    std::map<HotkeyHandle, Registration> m_registrations;
    HotkeyHandle m_nextHandle = 0;
};

} // namespace tavilo
