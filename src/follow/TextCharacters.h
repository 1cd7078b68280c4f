#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tavilo {

// Walks a UTF-8 text one user-perceived character (extended grapheme cluster) at a time.
// Runs of plain characters are cut without ICU; only a character that may combine with
// the next (marks, joiners, emoji sequences, regional indicators, Hangul jamo) is handed
// to ICU's character break rules, which agree with the fast path wherever both apply.
class GraphemeIterator {
public:
    explicit GraphemeIterator(std::string_view text);
    ~GraphemeIterator();
    GraphemeIterator(const GraphemeIterator&) = delete;
    GraphemeIterator& operator=(const GraphemeIterator&) = delete;

    // The next character, or an empty view at the end of the text.
    std::string_view next();
    // Byte offset where the next character starts.
    size_t position() const { return m_position; }

    // Plain ICU segmentation, for checking the fast path.
    static std::vector<std::string_view> splitWithIcuOnly(std::string_view text);

private:
    size_t icuBoundaryAfter(size_t position);

    struct IcuState;
    std::string_view m_text;
    size_t m_position = 0;
    std::unique_ptr<IcuState> m_icu;
};

// The characters of a text.
std::vector<std::string_view> splitCharacters(std::string_view text);

// The number of characters of a text.
int64_t characterCount(std::string_view text);

// Decodes the scalar starting at byte `index` and moves `index` past it. Ill-formed bytes
// read as U+FFFD, one maximal ill-formed subsequence at a time.
char32_t decodeScalar(std::string_view text, size_t& index);

// The first scalar of a text, or 0 when it is empty.
char32_t firstScalar(std::string_view text);

// Nothing but white space and line breaks (Unicode White_Space), or empty.
bool isBlank(std::string_view text);

} // namespace tavilo
