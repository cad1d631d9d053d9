// artisanscope-bench [--data=<folder>] [--out=<folder>] [--inputs=<name>,...] [Google Benchmark flags]
//
// Exports are written to <data>/out unless --out names another folder (the
// exports sync their file before renaming it: on a slow disk, --out=/dev/shm
// separates their work from the disk's).
// Every step of a load, export and reload, for each bench input, in this
// order per input: the floor first, then the steps, so that each step's
// "x_floor" counter compares it with the floor of the same run.

#include "BenchSupport.h"
#include "Floor.h"
#include "MappedFloor.h"
#include "load/LoadRecipeTable.h"
#include "io/OutputFile.h"
#include "find/RecipeFilter.h"
#include "table/RecipeTree.h"
#include "table/RecipeWalk.h"
#include "export/TextExport.h"
#include "table/TreeFiller.h"
#include "export/XmlStream.h"
#include "fixtures/XmlExport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef ARTISANSCOPE_BENCH_DATA
#define ARTISANSCOPE_BENCH_DATA "bench-data"
#endif

namespace artisanscope::bench {
namespace {

std::string g_dataRoot = ARTISANSCOPE_BENCH_DATA;
std::string g_outRoot;  // empty: <data>/out
std::string g_inputs;  // comma-separated input names; empty: all

bool Selected(const std::string& name) {
    if (g_inputs.empty()) return true;
    const std::string list = "," + g_inputs + ",";
    return list.find("," + name + ",") != std::string::npos;
}

RecipeTableView TableOf(const Input& input) { return RecipeTableView(ByteView(input.image.bytes()), kLayout102); }

// The walk exactly as a version-102 load runs it, German names, not debug.
void Walk(const Input& input, std::span<RecipeSink* const> sinks) {
    WalkRecipes(TableOf(input), WalkOptions{Language::German, false, true}, sinks);
}

void BM_Floor(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "floor.txt");
    Stopwatch watch;
    double total = 0;
    for (auto _ : state) {
        watch.Start();
        if (!RunMappedFloor(input.files.archive, kRecipeTableMember, out, input.textBytes)) state.SkipWithError("floor failed");
        watch.Stop();
        const double seconds = watch.Take();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    if (state.iterations() > 0) input.floorSeconds.push_back(total / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.textBytes));
}

// The earlier floor: the archive read whole and inflated with zlib.
void BM_FloorReadZlib(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "floor-zlib.txt");
    Measure(state, input, [&](Stopwatch&) {
        if (!RunFloor(input.files.archive, kRecipeTableMember, out, input.textBytes)) state.SkipWithError("floor failed");
    });
}

void BM_ReadInflate(benchmark::State& state, Input& input) {
    Measure(state, input, [&](Stopwatch&) {
        MpakMember member = ReadMpakMember(input.files.archive, kRecipeTableMember).member;
        benchmark::DoNotOptimize(member.data());
    });
}

void BM_WalkNullView(benchmark::State& state, Input& input) {
    NullTree tree;
    Measure(state, input, [&](Stopwatch&) {
        tree.DeleteAllItems();
        TreeFiller filler(tree, false);
        RecipeSink* sinks[] = {&filler};
        Walk(input, sinks);
    });
    state.counters["items"] = static_cast<double>(tree.items());
}

void BM_WalkRecipeTree(benchmark::State& state, Input& input) {
    RecipeTree tree;
    Measure(state, input, [&](Stopwatch&) {
        tree.DeleteAllItems();
        TreeFiller filler(tree, false);
        RecipeSink* sinks[] = {&filler};
        Walk(input, sinks);
        tree.Finish();
    });
    state.counters["items"] = static_cast<double>(tree.size());
    state.counters["tree_bytes_per_item"] = static_cast<double>(tree.MemoryBytes()) / static_cast<double>(tree.size());
    state.counters["tree_MiB"] = static_cast<double>(tree.MemoryBytes()) / (1024.0 * 1024.0);
}

// The find rule over a finished tree: the shown set of one query, with the
// bytes it keeps per tree item and the patterns it shows.
void Find(benchmark::State& state, Input& input, std::string_view query) {
    RecipeTree tree;
    TreeFiller filler(tree, false);
    RecipeSink* sinks[] = {&filler};
    Walk(input, sinks);
    tree.Finish();
    const FindQuery parsed = FindQuery::FromUtf8(query);
    RecipeFilter filter;
    Measure(state, input, [&](Stopwatch&) {
        if (!filter.Apply(tree, parsed)) state.SkipWithError("out of memory");
    });
    state.counters["patterns"] = static_cast<double>(filter.ShownPatternCount());
    state.counters["index_bytes_per_item"] = static_cast<double>(filter.MemoryBytes()) / static_cast<double>(tree.size());
}
void BM_FindOneTerm(benchmark::State& state, Input& input) { Find(state, input, kFindQueries[0]); }
void BM_FindThreeTerms(benchmark::State& state, Input& input) { Find(state, input, kFindQueries[1]); }
void BM_FindBroad(benchmark::State& state, Input& input) { Find(state, input, kFindQueries[2]); }
void BM_FindLevel(benchmark::State& state, Input& input) { Find(state, input, kFindQueries[3]); }
void BM_FindMaterial(benchmark::State& state, Input& input) { Find(state, input, kFindQueries[4]); }

// The dialog's reload without the desktop: read, inflate, walk, tree done.
void BM_LoadRecipeTree(benchmark::State& state, Input& input) {
    RecipeTree tree;
    Measure(state, input, [&](Stopwatch&) {
        if (!LoadRecipeTable(input.files.archive, BenchLoadOptions(&tree))) state.SkipWithError("load failed");
    });
}

enum class JobFormat {
    Text,
    Xml,          // the streamed XML export the job writes
    XmlDocument,  // the XML built as a TinyXML document and saved last, as the job once wrote it
};

// The headless job's export: a temporary file beside the target, the
// writer, the load, and the file synced and renamed into place.
bool ExportAsTheJob(RecipeTreeStore* tree, const std::string& archive, const std::string& out, JobFormat format) {
    OutputFile output(out);
    if (!output.Create()) return false;
    std::unique_ptr<ExportWriter> writer;
    switch (format) {
        case JobFormat::Text:
            writer = std::make_unique<TextExport>(output.file());
            break;
        case JobFormat::Xml:
            writer = std::make_unique<XmlStreamExport>(output.file());
            break;
        case JobFormat::XmlDocument:
            writer = std::make_unique<XmlDocumentWriter>(output.file());
            break;
    }
    return LoadRecipeTable(archive, BenchLoadOptions(tree, writer.get())) && writer->Ok() && output.Commit();
}

// The headless job's work for a text export: the load with a tree that
// keeps nothing, the text file written and put in place.
void BM_TextExport(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "export.txt");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    Measure(state, input, [&](Stopwatch&) {
        if (!ExportAsTheJob(tree, input.files.archive, out, JobFormat::Text)) state.SkipWithError("export failed");
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.textBytes));
}

// The headless job's text export with --find: the load walks into a tree of
// its own, computes the shown set and walks again for the writer.
void BM_TextExportFind(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "export-find.txt");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    const FindQuery find = FindQuery::FromUtf8(kFindQueries[0]);
    Measure(state, input, [&](Stopwatch&) {
        OutputFile output(out);
        if (!output.Create()) {
            state.SkipWithError("cannot create the output");
            return;
        }
        TextExport writer(output.file());
        if (!LoadRecipeTable(input.files.archive, BenchLoadOptions(tree, &writer, &find)) || !writer.Ok() || !output.Commit()) {
            state.SkipWithError("export failed");
        }
    });
}

// The headless job's XML export, streamed during the walk.
void BM_XmlExport(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "export.xml");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    Measure(state, input, [&](Stopwatch&) {
        if (!ExportAsTheJob(tree, input.files.archive, out, JobFormat::Xml)) state.SkipWithError("export failed");
    });
    if (std::filesystem::exists(out)) {
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(out)));
    }
}

// The XML export as the job wrote it before it was streamed: the whole
// TinyXML document in memory, saved at the end. For comparison only.
void BM_XmlDocumentExport(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "document.xml");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    Measure(state, input, [&](Stopwatch&) {
        if (!ExportAsTheJob(tree, input.files.archive, out, JobFormat::XmlDocument)) state.SkipWithError("export failed");
    });
}

// The XML export against the text export, as the job runs both, in
// alternating pairs in one process so that both meet the machine in the
// same state; the first pair only warms up when there are more. Reports
// both medians and the XML export's time as a multiple of the text's.
void BM_XmlVsText(benchmark::State& state, Input& input) {
    const std::string xmlOut = OutputPath(input, "pair.xml");
    const std::string textOut = OutputPath(input, "pair.txt");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    auto run = [&](JobFormat format, const std::string& out, std::vector<double>& times) {
        Stopwatch watch;
        watch.Start();
        if (!ExportAsTheJob(tree, input.files.archive, out, format)) state.SkipWithError("export failed");
        watch.Stop();
        times.push_back(watch.Take());
        return times.back();
    };
    std::vector<double> xmlTimes, textTimes;
    std::int64_t pair = 0;
    for (auto _ : state) {
        double xml;
        if (pair % 2 == 0) {
            xml = run(JobFormat::Xml, xmlOut, xmlTimes);
            run(JobFormat::Text, textOut, textTimes);
        } else {
            run(JobFormat::Text, textOut, textTimes);
            xml = run(JobFormat::Xml, xmlOut, xmlTimes);
        }
        state.SetIterationTime(xml);
        if (pair++ == 0 && state.max_iterations > 1) {
            xmlTimes.clear();
            textTimes.clear();
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double xml = median(xmlTimes), text = median(textTimes);
    state.counters["xml_ms"] = xml * 1e3;
    state.counters["text_ms"] = text * 1e3;
    if (text > 0) state.counters["xml_per_text"] = xml / text;
}

// Runs the text export once to learn its size, which the floor then writes.
std::size_t TextExportBytes(const Input& input) {
    const std::string out = OutputPath(input, "export.txt");
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    return ExportAsTheJob(tree, input.files.archive, out, JobFormat::Text)
               ? static_cast<std::size_t>(std::filesystem::file_size(out))
               : 0;
}

}  // namespace

std::vector<Input>& Inputs() {
    static std::vector<Input> inputs;
    return inputs;
}

std::string OutputPath(const Input& input, std::string_view suffix) {
    return g_outRoot + "/" + input.files.name + "-" + std::string(suffix);
}

double FloorMedian(const Input& input) {
    std::vector<double> runs = input.floorSeconds;
    if (runs.empty()) return 0;
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

benchmark::internal::Benchmark* Register(const std::string& what, Input& input,
                                         void (*run)(benchmark::State&, Input&)) {
    const std::string name = what + "/" + input.files.name;
    return benchmark::RegisterBenchmark(name.c_str(), [run, &input](benchmark::State& state) { run(state, input); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace artisanscope::bench

int main(int argc, char** argv) {
    using namespace artisanscope::bench;
    // Our own flag first; Google Benchmark rejects flags it does not know.
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--data=", 7) == 0) {
            g_dataRoot = argv[i] + 7;
        } else if (i > 0 && std::strncmp(argv[i], "--out=", 6) == 0) {
            g_outRoot = argv[i] + 6;
        } else if (i > 0 && std::strncmp(argv[i], "--inputs=", 9) == 0) {
            g_inputs = argv[i] + 9;
        } else {
            args.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    if (g_outRoot.empty()) g_outRoot = g_dataRoot + "/out";
    std::filesystem::create_directories(g_outRoot);
    std::vector<Input>& inputs = Inputs();
    for (BenchInput& files : EnsureBenchData(g_dataRoot)) {
        if (!Selected(files.name)) continue;
        Input input;
        input.files = std::move(files);
        input.image = artisanscope::ReadMpakMember(input.files.archive, artisanscope::kRecipeTableMember).member;
        if (!input.image) {
            std::fprintf(stderr, "cannot read %s\n", input.files.archive.c_str());
            return 1;
        }
        inputs.push_back(std::move(input));
    }
    for (Input& input : inputs) {
        input.textBytes = TextExportBytes(input);
        NullTree tree;
        artisanscope::TreeFiller filler(tree, false);
        artisanscope::RecipeSink* sinks[] = {&filler};
        Walk(input, sinks);
        input.treeItems = tree.items();
        std::printf("%-14s archive %9ju bytes, tdl.crf %9zu bytes, %9zu tree items, text export %10zu bytes\n",
                    input.files.name.c_str(), static_cast<std::uintmax_t>(std::filesystem::file_size(input.files.archive)),
                    input.image.size(), input.treeItems, input.textBytes);
    }

    for (Input& input : inputs) {
        const double minTime = input.files.name == "realistic" ? 1.0 : 0.2;
        for (const auto& [what, run] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&, Input&)>>{
                 {"Floor", BM_Floor},
                 {"FloorReadZlib", BM_FloorReadZlib},
                 {"ReadInflate", BM_ReadInflate},
                 {"WalkNullView", BM_WalkNullView},
                 {"WalkRecipeTree", BM_WalkRecipeTree},
                 {"LoadRecipeTree", BM_LoadRecipeTree},
                 {"FindOneTerm", BM_FindOneTerm},
                 {"FindThreeTerms", BM_FindThreeTerms},
                 {"FindBroad", BM_FindBroad},
                 {"FindLevel", BM_FindLevel},
                 {"FindMaterial", BM_FindMaterial}}) {
            Register(what, input, run)->MinTime(minTime);
        }
        RegisterQtBenchmarks(input, minTime);
        RegisterPlanBenchmarks(input, minTime);
        for (const auto& [what, run] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&, Input&)>>{
                 {"TextExport", BM_TextExport},
                 {"TextExportFind", BM_TextExportFind},
                 {"XmlExport", BM_XmlExport}}) {
            Register(what, input, run)->MinTime(minTime);
        }
        RegisterFormatBenchmarks(input);
        // Fixed pairs: the first warms up.
        Register("XmlVsText", input, BM_XmlVsText)->Iterations(input.files.name == "realistic" ? 21 : 5);
        // The document export of a maximum table takes seconds and gigabytes: once.
        Register("XmlDocumentExport", input, BM_XmlDocumentExport)->Iterations(input.files.name == "realistic" ? 5 : 1);
    }
    RegisterDiffBenchmarks(g_dataRoot, Selected);
    benchmark::RunSpecifiedBenchmarks();
    ShutdownQtBenchmarks();
    benchmark::Shutdown();
    return 0;
}
