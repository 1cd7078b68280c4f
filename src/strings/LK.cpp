#include "strings/LK.h"

#include <array>

namespace tavilo {

namespace {

constexpr std::array<std::string_view, kLKCount> kRawValues {
#define LK_ROW(key, zhHans, en) #key,
#include "strings/StringTableRows.inc"
#undef LK_ROW
};

constexpr std::array<LK, kLKCount> kAllKeys {
#define LK_ROW(key, zhHans, en) LK::key,
#include "strings/StringTableRows.inc"
#undef LK_ROW
};

} // namespace

std::string_view rawValue(LK key)
{
    const auto index = static_cast<size_t>(key);
    return index < kRawValues.size() ? kRawValues[index] : std::string_view();
}

std::optional<LK> lkFromRawValue(std::string_view raw)
{
    for (size_t i = 0; i < kRawValues.size(); ++i) {
        if (kRawValues[i] == raw)
            return kAllKeys[i];
    }
    return std::nullopt;
}

std::span<const LK> allLKKeys() { return kAllKeys; }

} // namespace tavilo
