// Fuzz target: the plan file reader on arbitrary bytes, and the writer on
// arbitrary plans. What the reader reads must come back unchanged when
// written as a plan file and read again; so must every plan the writer is
// given that the reader can hold (names of any bytes but NUL: blanks around
// them, quotes, commas and line breaks included). A mismatch aborts, so a
// lossy round trip counts as a crash too.

#include "plan/PlanFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using artisanscope::Plan;
using artisanscope::PlanEntry;

// The plan the bytes spell: the runs between NUL bytes are names, four to
// an entry (realm, skill, category, pattern); the index and the count follow
// from the names' lengths. An entry without a realm, or without both a
// pattern name and an index, says nothing a plan can keep and is left out.
Plan PlanOf(std::string_view bytes) {
    std::vector<std::string_view> names;
    for (std::size_t start = 0;;) {
        const std::size_t nul = bytes.find('\0', start);
        names.push_back(bytes.substr(start, nul == std::string_view::npos ? std::string_view::npos : nul - start));
        if (nul == std::string_view::npos) break;
        start = nul + 1;
    }
    Plan plan;
    for (std::size_t i = 0; i + 4 <= names.size(); i += 4) {
        PlanEntry entry;
        entry.key.realm = names[i];
        entry.key.skill = names[i + 1];
        entry.key.category = names[i + 2];
        entry.key.pattern = names[i + 3];
        const std::size_t mix = names[i].size() * 31 + names[i + 3].size();
        if (mix % 3 != 0) entry.key.index = static_cast<std::uint16_t>(1 + mix % 0xFFFF);
        entry.count = artisanscope::kMinPlanCount +
                      static_cast<std::uint32_t>((names[i + 1].size() * 7 + names[i + 2].size()) % artisanscope::kMaxPlanCount);
        if (entry.key.realm.empty() || (entry.key.pattern.empty() && !entry.key.index)) continue;
        plan.push_back(std::move(entry));
    }
    return plan;
}

void ReadsBack(const Plan& plan) {
    const artisanscope::PlanFileRead again = artisanscope::ParsePlanFile(artisanscope::PlanFileText(plan));
    if (!again.ok() || again.plan != plan) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadsBack(artisanscope::ParsePlanFile(bytes).plan);
    ReadsBack(PlanOf(bytes));
    return 0;
}
