#include "CueScript.h"

#include <limits>

namespace tavilo {

namespace cue {

namespace {

// Decodes one UTF-8 sequence at text[i]; malformed bytes decode as U+FFFD of length 1, which is
// never white space, so broken text is simply kept.
char32_t decodeAt(std::string_view text, size_t i, size_t& length)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    auto continuation = [&](size_t k) -> int {
        if (i + k >= text.size())
            return -1;
        const auto b = static_cast<unsigned char>(text[i + k]);
        return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
    };
    length = 1;
    if (b0 < 0x80)
        return b0;
    if ((b0 & 0xE0) == 0xC0) {
        const int c1 = continuation(1);
        if (c1 < 0)
            return 0xFFFD;
        length = 2;
        return static_cast<char32_t>((b0 & 0x1F) << 6 | c1);
    }
    if ((b0 & 0xF0) == 0xE0) {
        const int c1 = continuation(1), c2 = continuation(2);
        if (c1 < 0 || c2 < 0)
            return 0xFFFD;
        length = 3;
        return static_cast<char32_t>((b0 & 0x0F) << 12 | c1 << 6 | c2);
    }
    if ((b0 & 0xF8) == 0xF0) {
        const int c1 = continuation(1), c2 = continuation(2), c3 = continuation(3);
        if (c1 < 0 || c2 < 0 || c3 < 0)
            return 0xFFFD;
        length = 4;
        return static_cast<char32_t>((b0 & 0x07) << 18 | c1 << 12 | c2 << 6 | c3);
    }
    return 0xFFFD;
}

// Length of the UTF-8 sequence that ends at text[end - 1].
size_t lengthOfLast(std::string_view text, size_t end)
{
    size_t start = end - 1;
    while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    size_t length = 0;
    decodeAt(text, start, length);
    return start + length == end ? end - start : 1;
}

bool isLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

template<typename Predicate>
std::string_view trimWith(std::string_view text, Predicate keep)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t length = 0;
        if (!keep(decodeAt(text, begin, length)))
            break;
        begin += length;
    }
    size_t end = text.size();
    while (end > begin) {
        const size_t length = lengthOfLast(text, end);
        size_t ignored = 0;
        if (!keep(decodeAt(text, end - length, ignored)))
            break;
        end -= length;
    }
    return text.substr(begin, end - begin);
}

// A decimal integer: an optional sign, then ASCII digits only.
std::optional<int64_t> readInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::string_view skipLeadingSpacesAndTabs(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return line.substr(i);
}

// The heading text when the line is a heading line.
std::optional<std::string_view> headingText(std::string_view line)
{
    std::string_view rest = skipLeadingSpacesAndTabs(line);
    size_t hashes = 0;
    while (hashes < rest.size() && rest[hashes] == '#')
        ++hashes;
    if (hashes == 0 || hashes >= rest.size() || rest[hashes] != ' ')
        return std::nullopt;
    return trimHorizontal(rest.substr(hashes));
}

std::optional<CueMaterial> materialLine(std::string_view line)
{
    std::string_view rest = skipLeadingSpacesAndTabs(line);
    if (rest.empty() || rest[0] != '>')
        return std::nullopt;
    rest.remove_prefix(1);
    CueMaterial material;
    if (!rest.empty() && rest[0] == '?') {
        material.isOptional = true;
        rest.remove_prefix(1);
    }
    material.text = std::string(trimHorizontal(rest));
    return material;
}

struct PendingPoint {
    std::optional<std::string> title;
    std::optional<int64_t> budget;
    std::vector<std::string_view> lines;
    std::vector<CueMaterial> materials;
};

std::string join(const std::vector<std::string_view>& lines)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out.push_back('\n');
        out.append(lines[i]);
    }
    return out;
}

void close(PendingPoint& point, std::vector<CueSection>& sections)
{
    CueSection section;
    section.title = point.title.value_or(std::string());
    section.spoken = std::string(trimWhitespaceAndNewlines(join(point.lines)));
    if (section.title.empty() && section.spoken.empty() && point.materials.empty())
        return;
    section.id = Uuid::create();
    section.timeBudgetSeconds = point.budget;
    section.materials = std::move(point.materials);
    sections.push_back(std::move(section));
}

} // namespace

bool isHorizontalSpace(char32_t c)
{
    switch (c) {
    case 0x09:
    case 0x20:
    case 0xA0:
    case 0x1680:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::string_view trimHorizontal(std::string_view text)
{
    return trimWith(text, isHorizontalSpace);
}

std::string_view trimWhitespaceAndNewlines(std::string_view text)
{
    return trimWith(text, [](char32_t c) { return isHorizontalSpace(c) || isLineBreak(c); });
}

HeadingParts splitHeading(std::string_view heading)
{
    HeadingParts whole { std::string(heading), std::nullopt };
    if (heading.empty() || heading.back() != ']')
        return whole;
    const size_t open = heading.rfind('[');
    if (open == std::string_view::npos)
        return whole;
    const std::string_view inside = heading.substr(open + 1, heading.size() - open - 2);
    const size_t colon = inside.find(':');
    if (colon == std::string_view::npos || inside.find(':', colon + 1) != std::string_view::npos)
        return whole;
    const auto minutes = readInteger(trimHorizontal(inside.substr(0, colon)));
    const auto seconds = readInteger(trimHorizontal(inside.substr(colon + 1)));
    if (!minutes || !seconds || *minutes < 0 || *seconds < 0 || *seconds > 59)
        return whole;
    if (*minutes > (std::numeric_limits<int64_t>::max() - *seconds) / 60)
        return whole; // too large to be a budget
    return HeadingParts { std::string(trimHorizontal(heading.substr(0, open))), *minutes * 60 + *seconds };
}

} // namespace cue

CueScript CueScript::parse(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    bool anyHeading = false;
    for (auto line : lines) {
        if (cue::headingText(line)) {
            anyHeading = true;
            break;
        }
    }
    CueScript script;
    if (!anyHeading) {
        script.spokenOnly = std::string(text);
        return script;
    }

    script.hasStructure = true;
    std::vector<std::string_view> ordinary;
    cue::PendingPoint pending;
    for (auto line : lines) {
        if (auto heading = cue::headingText(line)) {
            cue::close(pending, script.sections);
            auto parts = cue::splitHeading(*heading);
            pending = cue::PendingPoint { std::move(parts.title), parts.budgetSeconds, {}, {} };
        } else if (auto material = cue::materialLine(line)) {
            pending.materials.push_back(std::move(*material));
        } else {
            pending.lines.push_back(line);
            ordinary.push_back(line);
        }
    }
    cue::close(pending, script.sections);
    script.spokenOnly = cue::join(ordinary);
    return script;
}

int64_t CueScript::totalBudgetSeconds() const
{
    int64_t total = 0;
    for (const auto& section : sections) {
        if (section.timeBudgetSeconds && *section.timeBudgetSeconds <= std::numeric_limits<int64_t>::max() - total)
            total += *section.timeBudgetSeconds;
    }
    return total;
}

} // namespace tavilo
