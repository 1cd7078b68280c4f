#pragma once

namespace tavilo {

// a when v ≤ a, b when v > b, else v: the clamp every setting and geometry rule uses. Unlike
// std::clamp it is defined for a NaN v (which gives v back) and never asserts a ≤ b.
template<typename T>
constexpr T clampTo(T v, T a, T b)
{
    if (v <= a)
        return a;
    if (v > b)
        return b;
    return v;
}

} // namespace tavilo
