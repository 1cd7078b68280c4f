#include "core/MiniPrompterEngine.h"

#include "cue/CueScript.h"
#include "scripts/WordCount.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <memory>

namespace tavilo {

namespace {

constexpr std::array<std::string_view, 8> kTerminators { "。", "！", "？", "!", "?", ".", "；", ";" };

bool isTerminator(std::string_view grapheme)
{
    return std::find(kTerminators.begin(), kTerminators.end(), grapheme) != kTerminators.end();
}

// "\r\n" is one grapheme cluster; it ends a line as "\n" does.
bool isLineBreak(std::string_view grapheme)
{
    return grapheme == "\n" || grapheme == "\r\n";
}

void endSentence(std::string& current, std::vector<std::string>& sentences)
{
    const std::string_view trimmed = cue::trimWhitespaceAndNewlines(current);
    if (!trimmed.empty())
        sentences.emplace_back(trimmed);
    current.clear();
}

} // namespace

std::vector<std::string> MiniPrompterEngine::splitSentences(std::string_view text)
{
    std::vector<std::string> sentences;
    if (text.empty())
        return sentences;
    const icu::UnicodeString unicode
        = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        characters.reset();

    std::string current;
    std::string grapheme;
    auto take = [&](int32_t start, int32_t end) {
        grapheme.clear();
        unicode.tempSubStringBetween(start, end).toUTF8String(grapheme);
        if (isLineBreak(grapheme)) {
            endSentence(current, sentences);
            return;
        }
        current += grapheme;
        if (isTerminator(grapheme))
            endSentence(current, sentences);
    };
    if (characters) {
        characters->setText(unicode);
        int32_t start = characters->first();
        for (int32_t end = characters->next(); end != icu::BreakIterator::DONE; start = end, end = characters->next())
            take(start, end);
    } else {
        // Without break data, walk code points.
        for (int32_t i = 0; i < unicode.length();) {
            const int32_t next = unicode.moveIndex32(i, 1);
            take(i, next);
            i = next;
        }
    }
    endSentence(current, sentences);
    return sentences;
}

double MiniPrompterEngine::sentenceDuration(int64_t words, double speedPointsPerSecond)
{
    const double wordsPerSecond = std::max(speedPointsPerSecond / 20.0, 1.5);
    return std::max(static_cast<double>(words) / wordsPerSecond, 1.0);
}

MiniPan MiniPrompterEngine::pan(double viewWidth, double textWidth, double sentenceElapsed, double duration)
{
    const double available = std::max(viewWidth - 2 * kHorizontalPadding, 1.0);
    if (textWidth <= available + 0.5)
        return MiniPan { true, (viewWidth - textWidth) / 2 };
    const double overflow = textWidth - available;
    const double progress = duration > 0 ? std::clamp((sentenceElapsed / duration - 0.15) / 0.7, 0.0, 1.0) : 0.0;
    return MiniPan { false, kHorizontalPadding - overflow * progress };
}

void MiniPrompterEngine::rebuild(std::string_view spokenText)
{
    m_sentences = splitSentences(spokenText);
    m_wordCounts.clear();
    m_wordCounts.reserve(m_sentences.size());
    for (const std::string& sentence : m_sentences)
        m_wordCounts.push_back(wordCount(sentence));
    m_index = std::min<int64_t>(m_index, std::max<int64_t>(static_cast<int64_t>(m_sentences.size()) - 1, 0));
    m_sentenceElapsed = 0;
    m_lastTick.reset();
}

MiniTickOutcome MiniPrompterEngine::tick(MonotonicTime now, bool isRunning, double speedPointsPerSecond, ScrollMode mode)
{
    if (m_sentences.empty() || !isRunning) {
        m_lastTick = now;
        return MiniTickOutcome::idle;
    }
    const double dt = m_lastTick ? std::clamp(toSeconds(now - *m_lastTick), 0.0, 0.25) : 1.0 / 60.0;
    m_lastTick = now;
    m_sentenceElapsed += dt;
    if (m_sentenceElapsed < currentDuration(speedPointsPerSecond))
        return MiniTickOutcome::advanced;

    const auto count = static_cast<int64_t>(m_sentences.size());
    MiniTickOutcome outcome = MiniTickOutcome::nextSentence;
    if (m_index < count - 1) {
        ++m_index;
        m_sentenceElapsed = 0;
    } else if (mode == ScrollMode::stopAtEnd) {
        // The last sentence stays shown; the owner reports the end, which pauses the run.
        return MiniTickOutcome::reachedEnd;
    } else {
        m_index = 0;
        m_sentenceElapsed = 0;
        outcome = MiniTickOutcome::wrapped;
    }
    m_lastTick.reset();
    return outcome;
}

void MiniPrompterEngine::reset()
{
    m_index = 0;
    m_sentenceElapsed = 0;
    m_lastTick.reset();
}

void MiniPrompterEngine::jumpBack()
{
    m_index = std::max<int64_t>(m_index - 1, 0);
    m_sentenceElapsed = 0;
    m_lastTick.reset();
}

void MiniPrompterEngine::runningChanged()
{
    m_lastTick.reset();
}

std::string_view MiniPrompterEngine::currentSentence() const
{
    if (m_index < 0 || m_index >= static_cast<int64_t>(m_sentences.size()))
        return {};
    return m_sentences[static_cast<size_t>(m_index)];
}

int64_t MiniPrompterEngine::currentWordCount() const
{
    if (m_index < 0 || m_index >= static_cast<int64_t>(m_wordCounts.size()))
        return 0;
    return m_wordCounts[static_cast<size_t>(m_index)];
}

double MiniPrompterEngine::currentDuration(double speedPointsPerSecond) const
{
    return sentenceDuration(currentWordCount(), speedPointsPerSecond);
}

} // namespace tavilo
