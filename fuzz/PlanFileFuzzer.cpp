// Fuzz target: the plan file reader on arbitrary bytes. What it reads must
// come back unchanged when written as a plan file and read again; a
// mismatch aborts, so a lossy round trip counts as a crash too.

#include "plan/PlanFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const artisanscope::PlanFileRead read =
        artisanscope::ParsePlanFile(std::string_view(reinterpret_cast<const char*>(data), size));
    const artisanscope::PlanFileRead again = artisanscope::ParsePlanFile(artisanscope::PlanFileText(read.plan));
    if (!again.ok() || again.plan != read.plan) std::abort();
    return 0;
}
