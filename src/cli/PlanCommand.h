#pragma once
// artisanscope --plan PLAN.csv camelot_dir [output_file]: loads the table of
// camelot_dir (-e, -d as for the job), resolves the crafting plan in
// PLAN.csv against it and writes the totals, as text, or CSV or JSON with
// --format, to standard output or output_file (replaced atomically). Runs
// without any window system, with or without a display.

#include "cli/CommandLineJob.h"
#include "cli/Startup.h"

#include <string>
#include <vector>

namespace artisanscope {

// Exit statuses of --plan.
inline constexpr int kPlanResolved = 0;  // every entry found, totals written
inline constexpr int kPlanMissing = 1;   // an entry is missing (the rest's totals written), the table or the output failed
inline constexpr int kPlanUsage = 2;     // wrong arguments, or the plan file cannot be read

// arguments: everything after the program name. Reports go to io.err.
int RunPlanCommand(const std::vector<std::string>& arguments, const LongOptions& options, const CommandLineJobIo& io);

}  // namespace artisanscope
