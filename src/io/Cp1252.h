#pragma once
// Code page 1252, the single-byte text of the recipe tables and of the
// program's own messages, turned into Unicode for display and for UTF-8
// consoles. 0x80-0x9F are typographic characters in this code page, not the
// C1 controls of Latin-1; the five bytes it leaves undefined there (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.

#include <string>
#include <string_view>

namespace artisanscope {

// The Unicode code point (UTF-16 unit: all are in the BMP) of one byte.
char16_t Cp1252ToUnicode(unsigned char byte);

// Appends text, read as code page 1252, to out in UTF-8.
void AppendCp1252AsUtf8(std::string& out, std::string_view text);

inline std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    AppendCp1252AsUtf8(out, text);
    return out;
}

}  // namespace artisanscope
