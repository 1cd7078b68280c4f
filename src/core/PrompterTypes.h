#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace tavilo {

// Stored enumerations keep their case names as text ("stopAtEnd", "whisperMixed", ...); the
// tables below are the one place those names live, in declaration order (the order pickers
// show them).

enum class ReadingMode { normal, cue };
enum class DisplayMode { notch, floating };
enum class ScrollMode { infinite, stopAtEnd };
enum class CountdownBehavior { always, freshStartOnly, never };
// `auto` is a C++ keyword, so that case is spelled `automatic`; it is stored as "auto".
enum class VoiceEngine { automatic, appleZh, appleEn, whisperMixed };
enum class MotionStyle { standard, brisk, minimal };
enum class TimerMode { off, countUp, countDown, remaining };
enum class GestureDirection { left, right };

template<typename E>
struct EnumNames;

#define TAVILO_ENUM_NAMES(E, N, ...)                                                                                   \
    template<>                                                                                                         \
    struct EnumNames<E> {                                                                                              \
        static constexpr std::array<std::pair<E, std::string_view>, N> table { { __VA_ARGS__ } };                      \
    };

TAVILO_ENUM_NAMES(ReadingMode, 2, { ReadingMode::normal, "normal" }, { ReadingMode::cue, "cue" })
TAVILO_ENUM_NAMES(DisplayMode, 2, { DisplayMode::notch, "notch" }, { DisplayMode::floating, "floating" })
TAVILO_ENUM_NAMES(ScrollMode, 2, { ScrollMode::infinite, "infinite" }, { ScrollMode::stopAtEnd, "stopAtEnd" })
TAVILO_ENUM_NAMES(CountdownBehavior, 3, { CountdownBehavior::always, "always" },
    { CountdownBehavior::freshStartOnly, "freshStartOnly" }, { CountdownBehavior::never, "never" })
TAVILO_ENUM_NAMES(VoiceEngine, 4, { VoiceEngine::automatic, "auto" }, { VoiceEngine::appleZh, "appleZh" },
    { VoiceEngine::appleEn, "appleEn" }, { VoiceEngine::whisperMixed, "whisperMixed" })
TAVILO_ENUM_NAMES(MotionStyle, 3, { MotionStyle::standard, "standard" }, { MotionStyle::brisk, "brisk" },
    { MotionStyle::minimal, "minimal" })
TAVILO_ENUM_NAMES(TimerMode, 4, { TimerMode::off, "off" }, { TimerMode::countUp, "countUp" },
    { TimerMode::countDown, "countDown" }, { TimerMode::remaining, "remaining" })
TAVILO_ENUM_NAMES(GestureDirection, 2, { GestureDirection::left, "left" }, { GestureDirection::right, "right" })

#undef TAVILO_ENUM_NAMES

template<typename E>
constexpr std::string_view caseName(E value)
{
    for (const auto& [e, name] : EnumNames<E>::table) {
        if (e == value)
            return name;
    }
    return {};
}

template<typename E>
constexpr std::optional<E> caseNamed(std::string_view name)
{
    for (const auto& [e, n] : EnumNames<E>::table) {
        if (n == name)
            return e;
    }
    return std::nullopt;
}

template<typename E>
constexpr auto allCases()
{
    std::array<E, EnumNames<E>::table.size()> cases {};
    for (size_t i = 0; i < cases.size(); ++i)
        cases[i] = EnumNames<E>::table[i].first;
    return cases;
}

} // namespace tavilo
