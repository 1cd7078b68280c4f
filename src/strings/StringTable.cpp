#include "strings/StringTable.h"

namespace tavilo {

namespace {

size_t languageIndex(AppLanguage language) { return static_cast<size_t>(language); }

std::vector<StringTable::Row> shippedRows()
{
    return {
#define LK_ROW(key, zhHans, en) { LK::key, std::string(zhHans), std::string(en) },
#include "strings/StringTableRows.inc"
#undef LK_ROW
    };
}

} // namespace

StringTable::StringTable(const std::vector<Row>& rows)
    : m_entries(kLKCount)
{
    for (const Row& row : rows) {
        const auto index = static_cast<size_t>(row.key);
        if (index >= m_entries.size())
            continue;
        Entry entry;
        entry[languageIndex(AppLanguage::zhHans)] = row.zhHans;
        entry[languageIndex(AppLanguage::en)] = row.en;
        m_entries[index] = std::move(entry);
    }
}

const StringTable& StringTable::shipped()
{
    static const StringTable table(shippedRows());
    return table;
}

bool StringTable::hasEntry(LK key) const
{
    const auto index = static_cast<size_t>(key);
    return index < m_entries.size() && m_entries[index].has_value();
}

const std::optional<std::string>& StringTable::entry(LK key, AppLanguage language) const
{
    static const std::optional<std::string> none;
    if (!hasEntry(key))
        return none;
    return (*m_entries[static_cast<size_t>(key)])[languageIndex(language)];
}

std::string StringTable::text(LK key, AppLanguage language) const
{
    if (const auto& own = entry(key, language))
        return *own;
    if (const auto& english = entry(key, AppLanguage::en))
        return *english;
    return std::string(rawValue(key));
}

} // namespace tavilo
