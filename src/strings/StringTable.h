#pragma once

#include "strings/AppLanguage.h"
#include "strings/LK.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tavilo {

// A map from key to its text in each language, with the lookup rule: the text in the asked
// language, else the English text, else the key's raw value. The shipped table has both texts
// for every key; other tables exist so the fallbacks can be exercised.
class StringTable {
public:
    struct Row {
        LK key;
        std::optional<std::string> zhHans;
        std::optional<std::string> en;
    };

    explicit StringTable(const std::vector<Row>& rows);

    // The built-in table, built once on first use (safe if threads race to it) and never changed.
    static const StringTable& shipped();

    std::string text(LK key, AppLanguage language) const;

    // The row's own text in one language, without fallbacks.
    const std::optional<std::string>& entry(LK key, AppLanguage language) const;
    bool hasEntry(LK key) const;

private:
    using Entry = std::array<std::optional<std::string>, kAllAppLanguages.size()>;
    std::vector<std::optional<Entry>> m_entries;
};

} // namespace tavilo
