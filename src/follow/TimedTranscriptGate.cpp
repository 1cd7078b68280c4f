#include "TimedTranscriptGate.h"

#include "follow/TextCharacters.h"

#include <algorithm>
#include <cmath>
#include <regex>

namespace tavilo {

namespace {

constexpr double kMinimumAdvance = 0.06;
constexpr double kWindowSeconds = 6.0;

} // namespace

std::string TimedTranscriptGate::removeMarkers(const std::string& text)
{
    if (text.find("<|") == std::string::npos)
        return text;
    static const std::regex marker(R"(<\|[^>]*\|>)");
    return std::regex_replace(text, marker, "");
}

std::optional<std::string> TimedTranscriptGate::accept(const std::vector<Word>& words, double frontier)
{
    if (!std::isfinite(frontier) || frontier <= 0)
        return std::nullopt;
    std::vector<Word> kept;
    for (const auto& word : words) {
        if (!std::isfinite(word.start) || !std::isfinite(word.end) || word.start < 0 || word.start >= word.end
            || word.start >= frontier)
            continue;
        std::string cleaned = removeMarkers(word.text);
        if (isBlank(cleaned))
            continue;
        kept.push_back(Word { std::move(cleaned), word.start, std::min(word.end, frontier) });
    }
    if (kept.empty())
        return std::nullopt;
    double latest = kept.front().end;
    for (const auto& word : kept)
        latest = std::max(latest, word.end);
    if (!(audioFrontier + kMinimumAdvance < latest))
        return std::nullopt;
    audioFrontier = latest;
    std::string text;
    for (const auto& word : kept) {
        if (word.end > latest - kWindowSeconds)
            text += word.text;
    }
    return text;
}

} // namespace tavilo
