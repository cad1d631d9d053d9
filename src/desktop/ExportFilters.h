#pragma once
// The Export button's save-dialog filters, and what the dialog's answer
// asks the export for: a path and a format.

#include "export/ExportFile.h"

#include <string>
#include <string_view>

namespace artisanscope {

// The Export button's first four save-dialog filters, which leave the format
// to the file name. A name typed without an extension gets the selected
// filter's, as the platform dialog the program was first written for added
// it (".xml" under "All files").
struct ExportNameFilter {
    std::string_view label;      // Qt notation
    std::string_view extension;  // without the dot
};
inline constexpr ExportNameFilter kExportNameFilters[] = {
    {"XML-File (*.xml)", "xml"},
    {"CVS file (*.cvs)", "cvs"},
    {"Text file (*.txt)", "txt"},
    {"All files (*.*)", "xml"},
};

// The Export button's save-dialog filters that choose a format of their own,
// shown after the four that leave the choice to the file name.
struct ExportFormatFilter {
    std::string_view label;      // Qt notation
    std::string_view extension;  // without the dot; added to a name without one
    ExportFormat format;
};
inline constexpr ExportFormatFilter kExportFormatFilters[] = {
    {"CSV, UTF-8 (*.csv)", "csv", ExportFormat::Csv},
    {"JSON (*.json)", "json", ExportFormat::Json},
    {"SQLite database (*.sqlite *.db)", "sqlite", ExportFormat::Sqlite},
};

struct ExportChoice {
    std::string path;
    ExportFormat format;
};

// What the save dialog's answer asks for: with one of kExportFormatFilters,
// its format, and its extension added when the file name has none; with one
// of kExportNameFilters, its extension added when the name has none, and the
// format the name then asks for; with any other filter, the path as chosen
// and the format its name asks for. No extension is added to the name of a
// file that exists (such as /dev/full).
ExportChoice ExportChoiceFor(std::string path, std::string_view filterLabel);

}  // namespace artisanscope
