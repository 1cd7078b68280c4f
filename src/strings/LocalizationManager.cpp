#include "strings/LocalizationManager.h"

namespace tavilo {

AppLanguage LocalizationManager::languageFromStoredValue(const std::optional<std::string>& stored)
{
    // The system's own language settings are deliberately not consulted.
    if (stored) {
        if (auto language = appLanguageFromRawValue(*stored))
            return *language;
    }
    return AppLanguage::zhHans;
}

LocalizationManager::LocalizationManager(PreferencesStore& preferences, NotificationCenter& notifications,
    const StringTable& table)
    : m_preferences(preferences)
    , m_notifications(notifications)
    , m_table(table)
    , m_language(languageFromStoredValue(preferences.readText(kLanguageKey)))
{
}

void LocalizationManager::setLanguage(AppLanguage language)
{
    if (language == m_language.get())
        return;
    m_language.set(language);
    m_preferences.writeText(kLanguageKey, std::string(rawValue(language)));
    m_notifications.post(kLanguageDidChangeNotification);
}

std::string LocalizationManager::text(LK key) const { return m_table.text(key, m_language.get()); }

std::string LocalizationManager::format(LK key, std::initializer_list<FormatArgument> arguments) const
{
    return formatText(text(key), arguments);
}

} // namespace tavilo
