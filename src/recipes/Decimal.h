#pragma once
// Unsigned decimal formatting without printf: the exports write hundreds of
// thousands of numbers per load.

#include <array>
#include <charconv>
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
    DecimalDigits out;
    // Ten digits always fit: to_chars cannot fail here.
    const auto end = std::to_chars(out.digits.data(), out.digits.data() + out.digits.size(), value).ptr;
    out.length = static_cast<std::uint8_t>(end - out.digits.data());
    return out;
}

inline void AppendDecimal(std::string& out, std::uint32_t value) { out.append(ToDecimal(value).view()); }

}  // namespace artisanscope
