#include "strings/TextFormat.h"

namespace tavilo {

std::string FormatArgument::toText() const
{
    if (const auto* text = std::get_if<std::string>(&m_value))
        return *text;
    return std::to_string(std::get<int64_t>(m_value));
}

std::string formatText(std::string_view format, std::span<const FormatArgument> arguments)
{
    std::string result;
    result.reserve(format.size());
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            result += c;
            continue;
        }
        const char conversion = format[i + 1];
        if (conversion == '%') {
            result += '%';
            ++i;
        } else if (conversion == '@' || conversion == 'd') {
            if (next < arguments.size())
                result += arguments[next].toText();
            else
                result.append(format.substr(i, 2));
            ++next;
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

std::string formatText(std::string_view format, std::initializer_list<FormatArgument> arguments)
{
    return formatText(format, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
}

} // namespace tavilo
