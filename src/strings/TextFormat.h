#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tavilo {

// One argument for a table text used as a format: a text or an integer.
class FormatArgument {
public:
    FormatArgument(std::string_view text)
        : m_value(std::string(text))
    {
    }
    FormatArgument(const char* text)
        : m_value(std::string(text ? text : ""))
    {
    }
    FormatArgument(const std::string& text)
        : m_value(text)
    {
    }
    template<std::integral I>
    FormatArgument(I value)
    {
        if constexpr (std::is_unsigned_v<I> && sizeof(I) >= sizeof(int64_t)) {
            if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
                m_value = std::to_string(value);
                return;
            }
        }
        m_value = static_cast<int64_t>(value);
    }

    // The argument as it appears in the formatted text.
    std::string toText() const;

private:
    std::variant<std::string, int64_t> m_value;
};

// Fills "%@" (a text) and "%d" (an integer) from the arguments in order; "%%" is a percent
// sign. It never fails: an argument of the other kind is written as it is (an integer in
// decimal, a text unchanged), a placeholder without an argument stays as written, extra
// arguments are ignored, and any other "%" sequence is copied unchanged.
std::string formatText(std::string_view format, std::span<const FormatArgument> arguments);
std::string formatText(std::string_view format, std::initializer_list<FormatArgument> arguments);

} // namespace tavilo
