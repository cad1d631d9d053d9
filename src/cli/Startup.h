#pragma once
// What main decides before any window system is touched: the GNU-style long
// options of this build and whether a display exists at all.

#include "export/ExportFile.h"
#include "export/Version.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

struct LongOptions {
    bool tree = false;     // --tree: list the loaded tree on standard output
    bool help = false;     // --help: usage text on standard output, exit 0
    bool version = false;  // --version: kVersionText on standard output, exit 0
    // --format FORMAT or --format=FORMAT: the format of output_file, whatever
    // its name; the last one given counts.
    std::optional<ExportFormat> format;
    // The value of a --format that names no format.
    std::optional<std::string> unknownFormat;
    // The last argument was --format, --find or --plan, which needs a value
    // after it.
    std::optional<std::string> missingValue;
    bool diff = false;     // --diff: compare two tables (OLD NEW [output_file])
    // --find QUERY or --find=QUERY: the job's tree listing and output hold
    // what the tree filtered by QUERY shows ("" or none: everything); the
    // last one given counts.
    std::string find;
    // --plan PLAN.csv or --plan=PLAN.csv: the totals of the crafting plan in
    // PLAN.csv (camelot_dir [output_file]); the last one given counts.
    std::optional<std::string> plan;
};

// Reads the arguments starting with "--"; unknown ones are ignored, as the
// command-line parse ignores every argument starting with "--".
LongOptions ParseLongOptions(const std::vector<std::string>& arguments);

// The usage text followed by the long options, for --help.
std::string HelpText();

// The report of a --format that names no format, for standard error.
std::string UnknownFormatMessage(std::string_view appName, std::string_view format);

// The report of an option given without its value, for standard error: one
// line naming the option and what its value is.
std::string MissingValueMessage(std::string_view appName, std::string_view option);

// No display: neither DISPLAY nor WAYLAND_DISPLAY names one. getenv is
// passed in for tests.
bool IsHeadless(const char* (*getenv)(const char*));

}  // namespace artisanscope
