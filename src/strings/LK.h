#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tavilo {

// The keys of the string table, in declaration order. A key's raw value is its case name
// ("menuStart").
enum class LK : uint16_t {
#define LK_ROW(key, zhHans, en) key,
#include "strings/StringTableRows.inc"
#undef LK_ROW
};

inline constexpr size_t kLKCount = 0
#define LK_ROW(key, zhHans, en) +1
#include "strings/StringTableRows.inc"
#undef LK_ROW
    ;

std::string_view rawValue(LK key);
std::optional<LK> lkFromRawValue(std::string_view raw);
// Every key, in declaration order.
std::span<const LK> allLKKeys();

} // namespace tavilo
