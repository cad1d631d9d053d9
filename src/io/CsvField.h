#pragma once
// CSV as every CSV file of the program is written (RFC 4180): UTF-8 behind a
// byte-order mark, comma separators, CR LF line ends, a field quoted when it
// must be and its double quotes doubled inside.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace artisanscope {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kCsvLineEnd = "\r\n";

// Appends the byte-order mark, the header row (column names joined by
// commas) and its line end: the start of every CSV file.
void AppendCsvHeader(std::string& out, std::string_view header);

// How a field's text is given and when it is quoted. A field is always
// quoted when it holds a comma, a double quote, CR or LF.
struct CsvFieldRule {
    bool fromCp1252 = true;  // code page 1252, converted to UTF-8; else UTF-8 as it is
    // Also quoted when it begins or ends with a blank (space or tab), for a
    // reader that trims unquoted fields.
    bool quoteOuterBlanks = false;
};

// Appends text to out as one field.
void AppendCsvField(std::string& out, std::string_view text, CsvFieldRule rule = {});

// What each byte asks of the field it is in: quotes (a comma, quote or line
// break) or conversion (outside ASCII, when the text is code page 1252).
inline constexpr std::uint8_t kCsvQuotes = 1;
inline constexpr std::uint8_t kCsvConvert = 2;
inline constexpr std::array<std::uint8_t, 256> kCsvByteNeeds = [] {
    std::array<std::uint8_t, 256> needs{};
    for (const unsigned char c : {',', '"', '\r', '\n'}) needs[c] = kCsvQuotes;
    for (std::size_t c = 0x80; c < needs.size(); ++c) needs[c] = kCsvConvert;
    return needs;
}();

// What the field's bytes ask of it, together; one table look-up per byte.
inline std::uint8_t CsvFieldNeeds(std::string_view text) {
    std::uint8_t needs = 0;
    for (const char c : text) needs |= kCsvByteNeeds[static_cast<unsigned char>(c)];
    return needs;
}

// True when text, as code page 1252, goes into a field byte for byte: plain
// ASCII with nothing to quote. A shortcut of AppendCsvField's default rule,
// inline for the export's every ingredient.
inline bool CsvFieldAsItIs(std::string_view text) { return CsvFieldNeeds(text) == 0; }

}  // namespace artisanscope
