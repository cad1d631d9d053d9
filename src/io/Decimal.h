#pragma once
// Unsigned decimal formatting without printf: the exports write hundreds of
// thousands of numbers per load.

#include <array>
#include <charconv>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace artisanscope {

// Digits of the largest 32-bit value.
inline constexpr std::size_t kMaxDecimalDigits = 10;

// Number of decimal digits of value (1 for 0).
inline std::size_t DecimalLength(std::uint32_t value) {
    std::size_t length = 1;
    for (; value >= 10000; value /= 10000) length += 4;
    return length + (value >= 10) + (value >= 100) + (value >= 1000);
}

// Writes the digits of value to the front of out, which holds at least
// DecimalLength(value) bytes, and returns their number. The digits go
// straight to their place: gathering them in a small buffer first and
// copying it costs a stalled load per number on x86, as the copy reads at
// once bytes that were stored one by one.
inline std::size_t WriteDecimal(std::span<char> out, std::uint32_t value) {
    const std::size_t length = DecimalLength(value);
    if (out.size() < length) return 0;
    std::to_chars(out.data(), out.data() + length, value);
    return length;
}

inline void AppendDecimal(std::string& out, std::uint32_t value) {
    const std::size_t at = out.size();
    out.resize(at + DecimalLength(value));
    WriteDecimal(std::span<char>(out).subspan(at), value);
}

}  // namespace artisanscope
