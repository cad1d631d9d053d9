#include "io/Cp1252.h"

#include <algorithm>
#include <array>

namespace artisanscope {
namespace {

constexpr char16_t kUndefined = 0xFFFD;

// 0x80-0x9F; every other byte is the code point of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, kUndefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kUndefined, 0x017D, kUndefined,  // 88-8F
    kUndefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kUndefined, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

void AppendCp1252AsUtf8(std::string& out, std::string_view text) {
    // At least double: a reserve of just the size wanted makes appends to a
    // long string (a pool) copy it whole each time with libc++.
    const std::size_t wanted = out.size() + text.size();
    if (wanted > out.capacity()) out.reserve(std::max(wanted, 2 * out.capacity()));
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII, the bulk of every table's text, are copied whole.
        std::size_t run = i;
        while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
        out.append(text.substr(i, run - i));
        if (run == text.size()) break;
        const char16_t u = Cp1252ToUnicode(static_cast<unsigned char>(text[run]));
        if (u < 0x800) {
            const char pair[2] = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
            out.append(pair, 2);
        } else {
            const char triple[3] = {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                                    static_cast<char>(0x80 | (u & 0x3F))};
            out.append(triple, 3);
        }
        i = run + 1;
    }
}

}  // namespace artisanscope
