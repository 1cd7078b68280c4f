#include "scripts/GraphemeText.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace tavilo {

namespace {

std::unique_ptr<icu::BreakIterator> characterIterator(const icu::UnicodeString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !iterator)
        return nullptr;
    iterator->setText(text);
    return iterator;
}

} // namespace

size_t graphemeCount(std::string_view utf8)
{
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    auto iterator = characterIterator(text);
    if (!iterator)
        return static_cast<size_t>(text.countChar32());
    size_t count = 0;
    iterator->first();
    while (iterator->next() != icu::BreakIterator::DONE)
        ++count;
    return count;
}

std::string graphemePrefix(std::string_view utf8, size_t count)
{
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    int32_t end = text.length();
    if (auto iterator = characterIterator(text)) {
        iterator->first();
        for (size_t i = 0; i < count; ++i) {
            if (iterator->next() == icu::BreakIterator::DONE)
                break;
        }
        end = iterator->current();
    } else {
        // Without break data, fall back to whole code points.
        end = text.moveIndex32(0, static_cast<int32_t>(count));
    }
    std::string result;
    text.tempSubString(0, end).toUTF8String(result);
    return result;
}

} // namespace tavilo
