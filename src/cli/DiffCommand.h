#pragma once
// artisanscope --diff OLD NEW [output_file]: compares the recipe tables of
// two game folders or archives and writes the report (text, or JSON with
// --format json) to standard output or to output_file. Runs without any
// window system, with or without a display. -e and -d load both sides with
// English names and in debug mode; --find QUERY keeps the patterns the
// query finds on either side.

#include "cli/CommandLineJob.h"
#include "cli/Startup.h"

#include <string>
#include <vector>

namespace artisanscope {

// Exit statuses, as diff has them.
inline constexpr int kDiffSame = 0;       // the tables show no difference
inline constexpr int kDiffDifferent = 1;  // they do
inline constexpr int kDiffTrouble = 2;    // a side could not be loaded, bad arguments, output not written

// arguments: everything after the program name. Reports go to io.err.
int RunDiffCommand(const std::vector<std::string>& arguments, const LongOptions& options, const CommandLineJobIo& io);

}  // namespace artisanscope
