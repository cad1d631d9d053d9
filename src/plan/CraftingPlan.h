#pragma once
// A crafting plan: patterns with a count each, resolved against the index of
// a loaded table, and the totals of what they need: every distinct
// ingredient line with count x slot quantity summed over the plan. An entry
// whose pattern the table does not have is kept, left out of the totals and
// counted as missing.

#include "plan/PatternIndex.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace artisanscope {

inline constexpr std::uint32_t kMinPlanCount = 1;
inline constexpr std::uint32_t kMaxPlanCount = 9999;

struct PlanEntry {
    PatternKey key;
    std::uint32_t count = 1;  // kMinPlanCount..kMaxPlanCount
    bool operator==(const PlanEntry&) const = default;
};

using Plan = std::vector<PlanEntry>;

// Each entry's pattern in index, or kNoPattern.
std::vector<PatternRef> ResolvePlan(std::span<const PlanEntry> plan, const PatternIndex& index);

// Adds one of pattern to plan: one more to the entry that resolves to it
// (up to kMaxPlanCount), else a new entry of 1. resolved is kept in step
// with plan. The entry's place.
std::size_t AddToPlan(Plan& plan, std::vector<PatternRef>& resolved, const PatternIndex& index, PatternRef pattern);

struct PlanTotal {
    std::uint32_t line = 0;  // PatternIndex::Line
    std::uint64_t quantity = 0;
};

struct PlanTotals {
    std::vector<PlanTotal> lines;  // in the index's line order
    std::size_t missing = 0;       // entries left out: not in the table
};

// resolved: ResolvePlan's result for plan.
PlanTotals SumPlan(std::span<const PlanEntry> plan, std::span<const PatternRef> resolved, const PatternIndex& index);

// The totals as text, UTF-8 with LF line ends: one line per total, the
// quantity right-aligned to the widest, a blank, the name; then, when
// entries are missing, a line saying how many.
std::string PlanTotalsText(const PlanTotals& totals, const PatternIndex& index);

// The line that says how many entries are missing ("" when none), UTF-8.
std::string MissingEntriesLine(std::size_t missing);

// The totals as CSV, written as the CSV export writes (UTF-8 behind a
// byte-order mark, CR LF): unit,ingredient,material_id,quantity.
std::string PlanTotalsCsv(const PlanTotals& totals, const PatternIndex& index);

// The plan as JSON: its entries (with "resolved"), the number missing and
// the totals.
std::string PlanJson(std::span<const PlanEntry> plan, std::span<const PatternRef> resolved, const PlanTotals& totals,
                     const PatternIndex& index);

}  // namespace artisanscope
