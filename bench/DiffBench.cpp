// The comparison of two tables, measured on each input and its patched twin
// (a few hundred differences): both archives read and inflated, both tables
// walked into collectors, paired, and the text report built, as --diff does.
// "DiffPairing" times the pairing and the report alone, on sides collected
// once.

#include "BenchData.h"
#include "compare/DiffReportOutput.h"
#include "compare/TableComparison.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

namespace artisanscope::bench {
namespace {

void SetCounters(benchmark::State& state, const DiffReport& report, std::size_t reportBytes) {
    state.counters["added"] = static_cast<double>(report.totals().added);
    state.counters["removed"] = static_cast<double>(report.totals().removed);
    state.counters["changed"] = static_cast<double>(report.totals().changed);
    state.counters["patterns"] = static_cast<double>(report.oldSide().patterns.size() + report.newSide().patterns.size());
    state.counters["report_bytes"] = static_cast<double>(reportBytes);
}

void BM_Diff(benchmark::State& state, const DiffBenchPair& pair) {
    const std::string oldArchive = pair.oldDirectory + "/data/ifd.mpk";
    const std::string newArchive = pair.newDirectory + "/data/ifd.mpk";
    for (auto _ : state) {
        const ComparisonResult result = CompareArchives(oldArchive, newArchive, {}, {});
        if (!result.report) {
            state.SkipWithError("a side cannot be loaded");
            return;
        }
        const std::string text = DiffReportText(*result.report);
        benchmark::DoNotOptimize(text.data());
        SetCounters(state, *result.report, text.size());
    }
}

void BM_DiffPairing(benchmark::State& state, const DiffBenchPair& pair) {
    const ComparisonResult loaded =
        CompareArchives(pair.oldDirectory + "/data/ifd.mpk", pair.newDirectory + "/data/ifd.mpk", {}, {});
    if (!loaded.report) {
        state.SkipWithError("a side cannot be loaded");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        DiffSide oldSide = loaded.report->oldSide();
        DiffSide newSide = loaded.report->newSide();
        state.ResumeTiming();
        // The loaded report's pool holds every text both sides refer to.
        const DiffReport report = CompareRecipeTables(loaded.report->pool(), std::move(oldSide), std::move(newSide), {});
        const std::string text = DiffReportText(report);
        benchmark::DoNotOptimize(text.data());
    }
}

}  // namespace

void RegisterDiffBenchmarks(const std::string& dataRoot, bool (*selected)(const std::string& name)) {
    static std::vector<DiffBenchPair> pairs;
    pairs = EnsureDiffBenchData(dataRoot);
    for (const DiffBenchPair& pair : pairs) {
        if (!selected(pair.name)) continue;
        const double minTime = pair.name == "realistic" ? 1.0 : 0.2;
        benchmark::RegisterBenchmark(("Diff/" + pair.name).c_str(),
                                     [&pair](benchmark::State& state) { BM_Diff(state, pair); })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(minTime);
        benchmark::RegisterBenchmark(("DiffPairing/" + pair.name).c_str(),
                                     [&pair](benchmark::State& state) { BM_DiffPairing(state, pair); })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(minTime);
    }
}

}  // namespace artisanscope::bench
