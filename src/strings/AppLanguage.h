#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavilo {

// The two interface languages, in the order they are offered.
enum class AppLanguage {
    zhHans,
    en,
};

inline constexpr std::array<AppLanguage, 2> kAllAppLanguages { AppLanguage::zhHans, AppLanguage::en };

// "zh-Hans" or "en": what is stored and what identifies the language in pickers.
std::string_view rawValue(AppLanguage language);
std::optional<AppLanguage> appLanguageFromRawValue(std::string_view raw);

// The language's own fixed name ("简体中文", "English"), the same in both interface languages.
std::string_view displayName(AppLanguage language);

} // namespace tavilo
