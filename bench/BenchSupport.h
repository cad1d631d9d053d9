#pragma once
// What every benchmark of the binary shares: the inputs, a dialog whose tree
// may do nothing, and the floor of each input measured in the same run, so
// that every figure also reads as a multiple of the floor ("x_floor").

#include "BenchData.h"
#include "archive/MpakArchive.h"
#include "load/LoadRecipeTable.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope::bench {

// A tree view that does nothing with its items: what the walk and its
// labels cost without any tree storage.
class NullTree final : public RecipeTreeStore {
public:
    void DeleteAllItems() override { items_ = 0; }
    TreeItem InsertItem(TreeItem, std::string_view) override { return static_cast<TreeItem>(++items_); }
    std::size_t items() const { return items_; }

private:
    std::size_t items_ = 0;
};

// German names, no debug mode: what the user sees after opening a table.
// A null tree is the headless job's: the load builds no labels at all.
inline LoadOptions BenchLoadOptions(RecipeTreeStore* tree, ExportWriter* writer = nullptr,
                                    const FindQuery* find = nullptr) {
    LoadOptions options;
    options.tree = tree;
    options.writer = writer;
    options.find = find;
    return options;
}

// Queries for the find benchmarks: a term as a user types it, three terms
// over realm, pattern and ingredient, a term nearly every pattern holds, a
// range of skill levels and a material.
inline constexpr std::string_view kFindQueries[] = {"sword", "albion sword eisen", "e", "level:300-350",
                                                    "material:eisen"};

struct Input {
    BenchInput files;
    MpakMember image;            // tdl.crf, inflated once before the benchmarks
    std::size_t textBytes = 0;   // size of the text export, header included
    std::size_t treeItems = 0;   // items the walk inserts
    std::vector<double> floorSeconds;  // per-iteration floor time of each floor run
};

std::vector<Input>& Inputs();
// A scratch file for outputs of this input, in the bench data folder.
std::string OutputPath(const Input& input, std::string_view suffix);

// Times each iteration of body() with a steady clock, reports it as the
// iteration's time and adds the counter "x_floor" (time over this input's
// floor). body may pause the stopwatch for clean-up that is not to count.
class Stopwatch {
public:
    void Start() { start_ = Clock::now(); }
    void Stop() { elapsed_ += std::chrono::duration<double>(Clock::now() - start_).count(); }
    double Take() {
        const double e = elapsed_;
        elapsed_ = 0;
        return e;
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
    double elapsed_ = 0;
};

double FloorMedian(const Input& input);

template <typename Body>
void Measure(benchmark::State& state, const Input& input, Body body) {
    Stopwatch watch;
    double total = 0;
    for (auto _ : state) {
        watch.Start();
        body(watch);
        watch.Stop();
        const double seconds = watch.Take();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double floor = FloorMedian(input);
    if (floor > 0 && state.iterations() > 0) {
        state.counters["x_floor"] = total / static_cast<double>(state.iterations()) / floor;
    }
}

// Registers a benchmark "<what>/<input name>" with the settings all share.
benchmark::internal::Benchmark* Register(const std::string& what, Input& input,
                                         void (*run)(benchmark::State&, Input&));

// Registers the Qt model benchmarks (defined only when the desktop part is
// built; otherwise a no-op).
void RegisterQtBenchmarks(Input& input, double minTime);
// Registers the crafting plan benchmarks: the index, resolution, totals.
void RegisterPlanBenchmarks(Input& input, double minTime);
// Registers the CSV, JSON and SQLite export benchmarks.
void RegisterFormatBenchmarks(Input& input);
// Ends what the Qt benchmarks started; called before main() returns.
void ShutdownQtBenchmarks();

// The comparison benchmarks, on the inputs of dataRoot that selected accepts.
void RegisterDiffBenchmarks(const std::string& dataRoot, bool (*selected)(const std::string& name));

}  // namespace artisanscope::bench
