#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavilo {

// A random (version 4) UUID; its text form is the canonical upper-case one,
// "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
class Uuid {
public:
    Uuid() = default; // the nil UUID
    static Uuid create();
    // Accepts the canonical 8-4-4-4-12 form in either case; anything else is nothing.
    static std::optional<Uuid> fromString(std::string_view text);

    std::string toString() const;
    bool isNil() const;
    const std::array<uint8_t, 16>& bytes() const { return m_bytes; }

    auto operator<=>(const Uuid&) const = default;

private:
    std::array<uint8_t, 16> m_bytes {};
};

using OptionalUuid = std::optional<Uuid>;

} // namespace tavilo

template<>
struct std::hash<tavilo::Uuid> {
    size_t operator()(const tavilo::Uuid& id) const noexcept
    {
        size_t h = 1469598103934665603ull;
        for (auto b : id.bytes())
            h = (h ^ b) * 1099511628211ull;
        return h;
    }
};
