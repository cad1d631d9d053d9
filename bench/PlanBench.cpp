// The crafting plan on each input: what the pattern index adds to a walk,
// a 1,000-entry plan resolved after a load, and its totals summed and
// written as text (what every count change recomputes).

#include "BenchSupport.h"
#include "plan/CraftingPlan.h"
#include "plan/PatternIndex.h"
#include "table/RecipeWalk.h"

namespace artisanscope::bench {
namespace {

constexpr std::size_t kPlanEntries = 1000;

void WalkInto(const Input& input, RecipeSink& sink) {
    RecipeSink* sinks[] = {&sink};
    WalkRecipes(RecipeTableView(ByteView(input.image.bytes()), kLayout102), WalkOptions{Language::German, false, true},
                sinks);
}

// Every n-th pattern of the table, counts 1, 2, 3, ...
Plan SpreadPlan(const PatternIndex& index) {
    Plan plan;
    const std::size_t step = std::max<std::size_t>(1, index.size() / kPlanEntries);
    for (std::size_t p = 0; p < index.size() && plan.size() < kPlanEntries; p += step) {
        plan.push_back(PlanEntry{index.KeyOf(static_cast<PatternRef>(p)),
                                 static_cast<std::uint32_t>(plan.size() % kMaxPlanCount + 1)});
    }
    return plan;
}

void BM_PlanIndexWalk(benchmark::State& state, Input& input) {
    PatternIndex index;
    Measure(state, input, [&](Stopwatch&) { WalkInto(input, index); });
    state.counters["patterns"] = static_cast<double>(index.size());
    state.counters["lines"] = static_cast<double>(index.lineCount());
}

// After a load: the first resolution builds the index's lookups.
void BM_PlanResolve1000(benchmark::State& state, Input& input) {
    PatternIndex index;
    WalkInto(input, index);
    const Plan plan = SpreadPlan(index);
    Measure(state, input, [&](Stopwatch& watch) {
        watch.Stop();
        WalkInto(input, index);
        watch.Start();
        benchmark::DoNotOptimize(ResolvePlan(plan, index));
    });
}

void BM_PlanTotals1000(benchmark::State& state, Input& input) {
    PatternIndex index;
    WalkInto(input, index);
    const Plan plan = SpreadPlan(index);
    const std::vector<PatternRef> resolved = ResolvePlan(plan, index);
    std::size_t lines = 0;
    Measure(state, input, [&](Stopwatch&) {
        const PlanTotals totals = SumPlan(plan, resolved, index);
        lines = totals.lines.size();
        benchmark::DoNotOptimize(PlanTotalsText(totals, index));
    });
    state.counters["entries"] = static_cast<double>(plan.size());
    state.counters["total_lines"] = static_cast<double>(lines);
}

}  // namespace

void RegisterPlanBenchmarks(Input& input, double minTime) {
    Register("PlanIndexWalk", input, BM_PlanIndexWalk)->MinTime(minTime);
    Register("PlanResolve1000", input, BM_PlanResolve1000)->MinTime(minTime);
    Register("PlanTotals1000", input, BM_PlanTotals1000)->MinTime(minTime);
}

}  // namespace artisanscope::bench
