#include "Base64.h"

namespace tavilo {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int decodeChar(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}
} // namespace

std::string base64Encode(const Bytes& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t n = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        out.push_back(kAlphabet[n >> 18 & 63]);
        out.push_back(kAlphabet[n >> 12 & 63]);
        out.push_back(kAlphabet[n >> 6 & 63]);
        out.push_back(kAlphabet[n & 63]);
    }
    if (i + 1 == bytes.size()) {
        const uint32_t n = bytes[i] << 16;
        out.push_back(kAlphabet[n >> 18 & 63]);
        out.push_back(kAlphabet[n >> 12 & 63]);
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const uint32_t n = bytes[i] << 16 | bytes[i + 1] << 8;
        out.push_back(kAlphabet[n >> 18 & 63]);
        out.push_back(kAlphabet[n >> 12 & 63]);
        out.push_back(kAlphabet[n >> 6 & 63]);
        out.push_back('=');
    }
    return out;
}

std::optional<Bytes> base64Decode(std::string_view text)
{
    Bytes out;
    out.reserve(text.size() / 4 * 3);
    uint32_t buffer = 0;
    int bits = 0;
    int padding = 0;
    size_t symbols = 0;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        if (padding)
            return std::nullopt; // data after padding
        const int v = decodeChar(c);
        if (v < 0)
            return std::nullopt;
        ++symbols;
        buffer = buffer << 6 | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(buffer >> bits & 0xFF));
        }
    }
    if (symbols % 4 != 0 || padding > 2)
        return std::nullopt;
    return out;
}

} // namespace tavilo
