#pragma once

#include <cstdint>
#include <string>

namespace tavilo {

// A recogniser failure as the platform reports it: a domain, a numeric code and a
// description for people.
struct SpeechError {
    std::string domain;
    int64_t code = 0;
    std::string description;

    bool operator==(const SpeechError&) const = default;

    // "<domain> <code>: <description>", as the status line shows it.
    std::string describe() const { return domain + " " + std::to_string(code) + ": " + description; }
};

} // namespace tavilo
