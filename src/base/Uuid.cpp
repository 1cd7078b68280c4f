#include "Uuid.h"

#include <mutex>
#include <random>

namespace tavilo {

namespace {

std::mt19937_64& generator()
{
    static std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed { device(), device(), device(), device(), device(), device(), device(), device() };
        return std::mt19937_64(seed);
    }();
    return engine;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Uuid Uuid::create()
{
    static std::mutex mutex;
    Uuid id;
    {
        std::lock_guard lock(mutex);
        auto& engine = generator();
        const uint64_t high = engine();
        const uint64_t low = engine();
        for (int i = 0; i < 8; ++i) {
            id.m_bytes[i] = static_cast<uint8_t>(high >> (56 - 8 * i));
            id.m_bytes[8 + i] = static_cast<uint8_t>(low >> (56 - 8 * i));
        }
    }
    id.m_bytes[6] = static_cast<uint8_t>((id.m_bytes[6] & 0x0F) | 0x40);
    id.m_bytes[8] = static_cast<uint8_t>((id.m_bytes[8] & 0x3F) | 0x80);
    return id;
}

std::optional<Uuid> Uuid::fromString(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    Uuid id;
    size_t byte = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int hi = hexValue(text[i]);
        const int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        id.m_bytes[byte++] = static_cast<uint8_t>(hi << 4 | lo);
        i += 2;
    }
    return id;
}

std::string Uuid::toString() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(digits[m_bytes[i] >> 4]);
        out.push_back(digits[m_bytes[i] & 0x0F]);
    }
    return out;
}

bool Uuid::isNil() const
{
    for (auto b : m_bytes) {
        if (b)
            return false;
    }
    return true;
}

} // namespace tavilo
