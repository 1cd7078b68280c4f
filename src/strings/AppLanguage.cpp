#include "strings/AppLanguage.h"

namespace tavilo {

std::string_view rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zhHans:
        return "zh-Hans";
    case AppLanguage::en:
        return "en";
    }
    return "zh-Hans";
}

std::optional<AppLanguage> appLanguageFromRawValue(std::string_view raw)
{
    for (AppLanguage language : kAllAppLanguages) {
        if (rawValue(language) == raw)
            return language;
    }
    return std::nullopt;
}

std::string_view displayName(AppLanguage language)
{
    switch (language) {
    case AppLanguage::zhHans:
        return "简体中文";
    case AppLanguage::en:
        return "English";
    }
    return "简体中文";
}

} // namespace tavilo
