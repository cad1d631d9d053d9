#pragma once
// Unsigned decimal formatting without printf: the exports write hundreds of
// thousands of numbers per load.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace artisanscope {

// Digits of value, most significant first, in a fixed buffer.
struct DecimalDigits {
    std::array<char, 10> digits{};
    std::uint8_t length = 0;
    std::string_view view() const { return {digits.data(), length}; }
};

inline DecimalDigits ToDecimal(std::uint32_t value) {
    std::array<char, 10> reversed{};
    std::size_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    DecimalDigits out;
    out.length = static_cast<std::uint8_t>(n);
    for (std::size_t i = 0; i < n; ++i) out.digits[i] = reversed[n - 1 - i];
    return out;
}

// Digits are produced from the right into a local buffer and appended once.
inline void AppendDecimal(std::string& out, std::uint32_t value) {
    std::array<char, 10> digits;
    std::size_t first = digits.size();
    do {
        digits[--first] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    out.append(std::string_view(digits.data(), digits.size()).substr(first));
}

}  // namespace artisanscope
