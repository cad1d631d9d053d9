#include "io/CsvField.h"

#include "io/Cp1252.h"

namespace artisanscope {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void AppendText(std::string& out, std::string_view text, bool fromCp1252) {
    if (fromCp1252) {
        AppendCp1252AsUtf8(out, text);
    } else {
        out.append(text);
    }
}

}  // namespace

void AppendCsvHeader(std::string& out, std::string_view header) {
    out += kUtf8ByteOrderMark;
    out += header;
    out += kCsvLineEnd;
}

void AppendCsvField(std::string& out, std::string_view text, CsvFieldRule rule) {
    const std::uint8_t needs = CsvFieldNeeds(text);
    const bool quoted = (needs & kCsvQuotes) != 0 ||
                        (rule.quoteOuterBlanks && !text.empty() && (IsBlank(text.front()) || IsBlank(text.back())));
    if (!quoted) {
        if ((needs & kCsvConvert) == 0) {
            out.append(text);
        } else {
            AppendText(out, text, rule.fromCp1252);
        }
        return;
    }
    out += '"';
    std::size_t start = 0;
    for (std::size_t quote = text.find('"'); quote != std::string_view::npos; quote = text.find('"', start)) {
        AppendText(out, text.substr(start, quote + 1 - start), rule.fromCp1252);
        out += '"';
        start = quote + 1;
    }
    AppendText(out, text.substr(start), rule.fromCp1252);
    out += '"';
}

}  // namespace artisanscope
