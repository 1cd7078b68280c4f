#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavilo {

using Bytes = std::vector<uint8_t>;

std::string base64Encode(const Bytes& bytes);
// Standard alphabet with padding; white space is skipped. Anything else malformed gives nothing.
std::optional<Bytes> base64Decode(std::string_view text);

inline Bytes bytesFromString(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string stringFromBytes(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace tavilo
