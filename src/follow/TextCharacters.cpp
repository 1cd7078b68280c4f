#include "TextCharacters.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace tavilo {

namespace {

// One prototype per thread: creating a break iterator loads rule data, cloning one is cheap.
icu::BreakIterator* prototypeCharacterIterator()
{
    thread_local std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            iterator.reset();
        return iterator;
    }();
    return prototype.get();
}

int32_t graphemeBreak(char32_t c)
{
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
}

bool combinesWithPrevious(int32_t gcb)
{
    return gcb == U_GCB_EXTEND || gcb == U_GCB_ZWJ || gcb == U_GCB_SPACING_MARK;
}

bool isHangulPart(int32_t gcb)
{
    return gcb == U_GCB_L || gcb == U_GCB_V || gcb == U_GCB_T || gcb == U_GCB_LV || gcb == U_GCB_LVT;
}

} // namespace

struct GraphemeIterator::IcuState {
    UText* text = nullptr;
    std::unique_ptr<icu::BreakIterator> iterator;
    bool failed = false;
    ~IcuState()
    {
        if (text)
            utext_close(text);
    }
};

GraphemeIterator::GraphemeIterator(std::string_view text)
    : m_text(text)
{
}

GraphemeIterator::~GraphemeIterator() = default;

char32_t decodeScalar(std::string_view text, size_t& index)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    auto i = static_cast<int32_t>(index);
    UChar32 c;
    U8_NEXT_OR_FFFD(bytes, i, length, c);
    index = static_cast<size_t>(i);
    return static_cast<char32_t>(c);
}

char32_t firstScalar(std::string_view text)
{
    if (text.empty())
        return 0;
    size_t index = 0;
    return decodeScalar(text, index);
}

size_t GraphemeIterator::icuBoundaryAfter(size_t position)
{
    if (!m_icu) {
        m_icu = std::make_unique<IcuState>();
        UErrorCode status = U_ZERO_ERROR;
        m_icu->text = utext_openUTF8(nullptr, m_text.data(), static_cast<int64_t>(m_text.size()), &status);
        auto* prototype = prototypeCharacterIterator();
        if (U_SUCCESS(status) && prototype) {
            m_icu->iterator.reset(prototype->clone());
            if (m_icu->iterator)
                m_icu->iterator->setText(m_icu->text, status);
        }
        m_icu->failed = U_FAILURE(status) || !m_icu->iterator;
    }
    if (m_icu->failed) {
        // Without ICU data a character is one scalar: still a valid, if coarser, cut.
        size_t index = position;
        decodeScalar(m_text, index);
        return index;
    }
    const int32_t boundary = m_icu->iterator->following(static_cast<int32_t>(position));
    if (boundary == icu::BreakIterator::DONE || static_cast<size_t>(boundary) <= position)
        return m_text.size();
    return static_cast<size_t>(boundary);
}

std::string_view GraphemeIterator::next()
{
    const size_t start = m_position;
    const size_t size = m_text.size();
    if (start >= size)
        return {};
    const auto lead = static_cast<unsigned char>(m_text[start]);

    // Plain ASCII followed by ASCII (or the end) is always a character of its own, except
    // that CR LF is one character.
    if (lead < 0x80) {
        if (lead == '\r') {
            m_position = (start + 1 < size && m_text[start + 1] == '\n') ? start + 2 : start + 1;
            return m_text.substr(start, m_position - start);
        }
        if (start + 1 >= size || static_cast<unsigned char>(m_text[start + 1]) < 0x80) {
            m_position = start + 1;
            return m_text.substr(start, 1);
        }
    }

    size_t after = start;
    const char32_t c = decodeScalar(m_text, after);
    if (after >= size) {
        m_position = size;
        return m_text.substr(start);
    }
    const int32_t gcb = graphemeBreak(c);
    if (gcb == U_GCB_CONTROL || gcb == U_GCB_LF) {
        m_position = after;
        return m_text.substr(start, after - start);
    }
    size_t afterNext = after;
    const int32_t nextGcb = graphemeBreak(decodeScalar(m_text, afterNext));
    // Break between c and the next scalar whenever no rule can join them: c is an ordinary
    // character (or a pictograph, which joins only through a ZWJ that would combine) and
    // the next scalar neither extends it nor continues a Hangul syllable.
    const bool simple = gcb == U_GCB_OTHER || (isHangulPart(gcb) && !isHangulPart(nextGcb));
    if (simple && !combinesWithPrevious(nextGcb)) {
        m_position = after;
        return m_text.substr(start, after - start);
    }
    m_position = icuBoundaryAfter(start);
    return m_text.substr(start, m_position - start);
}

std::vector<std::string_view> GraphemeIterator::splitWithIcuOnly(std::string_view text)
{
    std::vector<std::string_view> result;
    GraphemeIterator iterator(text);
    size_t position = 0;
    while (position < text.size()) {
        const size_t end = iterator.icuBoundaryAfter(position);
        result.push_back(text.substr(position, end - position));
        position = end;
    }
    return result;
}

bool isBlank(std::string_view text)
{
    size_t index = 0;
    while (index < text.size()) {
        if (!u_hasBinaryProperty(static_cast<UChar32>(decodeScalar(text, index)), UCHAR_WHITE_SPACE))
            return false;
    }
    return true;
}

std::vector<std::string_view> splitCharacters(std::string_view text)
{
    std::vector<std::string_view> result;
    GraphemeIterator iterator(text);
    for (auto c = iterator.next(); !c.empty(); c = iterator.next())
        result.push_back(c);
    return result;
}

int64_t characterCount(std::string_view text)
{
    int64_t count = 0;
    GraphemeIterator iterator(text);
    while (!iterator.next().empty())
        ++count;
    return count;
}

} // namespace tavilo
