#pragma once

#include "base/NotificationCenter.h"
#include "base/PreferencesStore.h"
#include "base/Published.h"
#include "strings/AppLanguage.h"
#include "strings/LK.h"
#include "strings/StringTable.h"
#include "strings/TextFormat.h"

#include <initializer_list>
#include <string>

namespace tavilo {

// The interface language and the lookup of every visible text. The language starts from the
// stored "appLanguage" (Simplified Chinese unless "en" is stored) and is stored only when the
// user changes it.
class LocalizationManager {
public:
    static constexpr const char* kLanguageKey = "appLanguage";
    static constexpr const char* kLanguageDidChangeNotification = "TaviloAppLanguageDidChange";

    LocalizationManager(PreferencesStore& preferences, NotificationCenter& notifications,
        const StringTable& table = StringTable::shipped());
    LocalizationManager(const LocalizationManager&) = delete;
    LocalizationManager& operator=(const LocalizationManager&) = delete;

    // Observers are called after the value has changed, so a text looked up from an observer
    // is already in the new language.
    const Published<AppLanguage>& language() const { return m_language; }
    AppLanguage currentLanguage() const { return m_language.get(); }

    // Setting the language that is already set does nothing. Otherwise the new value is
    // published, stored under "appLanguage", and "TaviloAppLanguageDidChange" is posted once.
    void setLanguage(AppLanguage language);

    // The text of key in the current language (English, then the key's raw value, when the
    // table lacks it).
    std::string text(LK key) const;
    // The text of key used as a format with "%@" and "%d" arguments.
    std::string format(LK key, std::initializer_list<FormatArgument> arguments) const;

    // The first-run script in the current language.
    std::string defaultScript() const { return text(LK::defaultScript); }

    // The language a stored "appLanguage" value stands for.
    static AppLanguage languageFromStoredValue(const std::optional<std::string>& stored);

private:
    PreferencesStore& m_preferences;
    NotificationCenter& m_notifications;
    const StringTable& m_table;
    Published<AppLanguage> m_language;
};

} // namespace tavilo
