#include "PhoneticKey.h"

#include "follow/ScriptTokenizer.h"
#include "follow/TextCharacters.h"

#include <unicode/locid.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>
#include <unordered_map>

namespace tavilo {

namespace {

class MandarinTransliteration {
public:
    static MandarinTransliteration& instance()
    {
        static MandarinTransliteration transliteration;
        return transliteration;
    }

    std::string keyFor(std::string_view character)
    {
        std::lock_guard lock(m_mutex);
        const std::string text(character);
        if (auto it = m_cache.find(text); it != m_cache.end())
            return it->second;
        std::string key = transliterate(text);
        m_cache.emplace(text, key);
        return key;
    }

private:
    MandarinTransliteration()
    {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        m_transliterator.reset(
            icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, parseError, status));
        if (U_FAILURE(status))
            m_transliterator.reset();
    }

    std::string transliterate(const std::string& text) const
    {
        icu::UnicodeString value = icu::UnicodeString::fromUTF8(text);
        // Without transliteration data the character stays its own key: homophones then
        // simply fail to match, which is safe.
        if (m_transliterator)
            m_transliterator->transliterate(value);
        value.toLower(icu::Locale::getRoot());
        std::string key;
        value.toUTF8String(key);
        std::erase(key, ' ');
        return key;
    }

    std::mutex m_mutex;
    std::unique_ptr<icu::Transliterator> m_transliterator;
    std::unordered_map<std::string, std::string> m_cache;
};

} // namespace

bool isSingleCJKCharacter(std::string_view token)
{
    if (token.empty() || static_cast<unsigned char>(token[0]) < 0x80 || !isCJKScalar(firstScalar(token)))
        return false;
    GraphemeIterator characters(token);
    characters.next();
    return characters.position() == token.size();
}

std::string phoneticKey(std::string_view token)
{
    if (!isSingleCJKCharacter(token))
        return std::string(token);
    return MandarinTransliteration::instance().keyFor(token);
}

} // namespace tavilo
