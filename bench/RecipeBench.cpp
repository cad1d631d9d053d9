// artisanscope-bench [--data=<folder>] [--inputs=<name>,...] [Google Benchmark flags]
//
// Every step of a load, export and reload, for each bench input, in this
// order per input: the floor first, then the steps, so that each step's
// "x_floor" counter compares it with the floor of the same run.

#include "BenchSupport.h"
#include "Floor.h"
#include "export/LoadRecipeTable.h"
#include "export/OutputFile.h"
#include "export/RecipeFilter.h"
#include "export/RecipeTree.h"
#include "export/RecipeWalk.h"
#include "export/TextExport.h"
#include "export/TreeFiller.h"
#include "fixtures/XmlExport.h"

#include <tinyxml.h>

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
        if (!RunFloor(input.files.archive, kRecipeTableMember, out, input.textBytes)) state.SkipWithError("floor failed");
        watch.Stop();
        const double seconds = watch.Take();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    if (state.iterations() > 0) input.floorSeconds.push_back(total / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.textBytes));
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

// The dialog's reload without the desktop: read, inflate, walk, tree done.
void BM_LoadRecipeTree(benchmark::State& state, Input& input) {
    RecipeTree tree;
    BenchDialog dialog(tree);
    Measure(state, input, [&](Stopwatch&) {
        if (!LoadRecipeTable(dialog, input.files.archive, nullptr)) state.SkipWithError("load failed");
    });
}

// The headless job's export: a temporary file beside the target, the
// writer, the load, and the file synced and renamed into place.
bool ExportAsTheJob(BenchDialog& dialog, const std::string& archive, const std::string& out, bool xml) {
    OutputFile output(out);
    if (!output.Create()) return false;
    std::unique_ptr<ExportWriter> writer;
    if (xml) {
        writer = std::make_unique<XmlDocumentWriter>(output.file());
    } else {
        writer = std::make_unique<TextExport>(output.file());
    }
    return LoadRecipeTable(dialog, archive, writer.get()) && writer->Ok() && output.Commit();
}

// The headless job's work for a text export: the load with a tree that
// keeps nothing, the text file written and put in place.
void BM_TextExport(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "export.txt");
    DroppingTree tree;
    BenchDialog dialog(tree);
    Measure(state, input, [&](Stopwatch&) {
        if (!ExportAsTheJob(dialog, input.files.archive, out, false)) state.SkipWithError("export failed");
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.textBytes));
}

// Just the walk into the document (no tree); the document's deletion is not
// counted here.
void BM_XmlBuild(benchmark::State& state, Input& input) {
    Measure(state, input, [&](Stopwatch& watch) {
        auto document = std::make_unique<TiXmlDocument>();
        BeginXmlDocument(*document);
        XmlExport xml(*document, false);
        RecipeSink* sinks[] = {&xml};
        Walk(input, sinks);
        watch.Stop();
        document.reset();
        watch.Start();
    });
}

// TinyXML's own share of an export: the same elements with the same
// attributes, replayed from a list prepared beforehand, with no walk and no
// name resolution.
class XmlScript final : public RecipeSink {
public:
    struct Attribute {
        const char* name;
        std::string text;  // used when !isNumber
        int number = 0;
        bool isNumber = false;
    };
    struct Element {
        std::uint8_t depth;  // 0: "Realm" under the root
        const char* name;
        std::uint32_t firstAttribute, attributeCount;
    };

    void Realm(std::size_t, std::string_view name) override {
        Open(0, "Realm");
        Text("name", name);
    }
    void Skill(const SkillRecord&, std::string_view name) override {
        Open(1, "Skill");
        Text("name", name);
    }
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t, std::uint32_t, std::string_view name) override {
        Open(2, "Item");
        Text("name", name);
    }
    void Pattern(const ResolvedPattern& pattern) override {
        Open(3, "Pattern");
        Text("name", pattern.name.view());
        Number("skill", pattern.record->skill);
        for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
            const ResolvedIngredient& ingredient = pattern.ingredients[k];
            Open(4, "Ingredient");
            if (ingredient.material == 0) {
                Text("name", ingredient.text);
            } else {
                Text("cat", ingredient.text);
                Text("name", ingredient.materialName.view());
            }
            Number("quantity", ingredient.quantity);
        }
    }

    void Replay(TiXmlDocument& document) const {
        document.LinkEndChild(new TiXmlDeclaration("1.0", "iso-8859-1", ""));
        TiXmlElement* parents[6] = {new TiXmlElement("Recipes")};
        document.LinkEndChild(parents[0]);
        for (const Element& e : elements_) {
            auto* element = new TiXmlElement(e.name);
            for (std::uint32_t a = e.firstAttribute; a < e.firstAttribute + e.attributeCount; ++a) {
                const Attribute& attribute = attributes_[a];
                if (attribute.isNumber) element->SetAttribute(attribute.name, attribute.number);
                else element->SetAttribute(attribute.name, attribute.text.c_str());
            }
            parents[e.depth]->LinkEndChild(element);
            parents[e.depth + 1] = element;
        }
    }

private:
    void Open(std::uint8_t depth, const char* name) {
        elements_.push_back({depth, name, static_cast<std::uint32_t>(attributes_.size()), 0});
    }
    void Text(const char* name, std::string_view value) {
        attributes_.push_back({name, std::string(value)});
        ++elements_.back().attributeCount;
    }
    void Number(const char* name, int value) {
        attributes_.push_back({name, {}, value, true});
        ++elements_.back().attributeCount;
    }

    std::vector<Element> elements_;
    std::vector<Attribute> attributes_;
};

std::unique_ptr<TiXmlDocument> BuildDocument(const Input& input) {
    auto document = std::make_unique<TiXmlDocument>();
    BeginXmlDocument(*document);
    XmlExport xml(*document, false);
    RecipeSink* sinks[] = {&xml};
    Walk(input, sinks);
    return document;
}

// Our save: temporary file beside the target, flushed, renamed over it.
void BM_XmlSave(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "export.xml");
    const auto document = BuildDocument(input);
    Measure(state, input, [&](Stopwatch&) {
        if (!SaveXmlDocument(*document, out)) state.SkipWithError("save failed");
    });
}

// The whole XML export as the headless job runs it: load into the document
// with a tree that keeps nothing, save, delete the document.
void BM_XmlExport(benchmark::State& state, Input& input) {
    const std::string out = OutputPath(input, "job.xml");
    DroppingTree tree;
    BenchDialog dialog(tree);
    Measure(state, input, [&](Stopwatch&) {
        if (!ExportAsTheJob(dialog, input.files.archive, out, true)) state.SkipWithError("export failed");
    });
}

// Our XML export (walk, elements, atomic save) against TinyXML's own share of
// it (the same elements replayed from a prepared list, saved straight to the
// file), in alternating pairs in one process so that both meet the heap in
// the same state; the first pair only warms the heap when there are more.
// Reports both and our overhead in percent; deleting documents is not
// counted for either.
void BM_XmlVsTinyXml(benchmark::State& state, Input& input) {
    XmlScript script;
    RecipeSink* scriptSinks[] = {&script};
    Walk(input, scriptSinks);
    const std::string ours = OutputPath(input, "export.xml");
    const std::string theirs = OutputPath(input, "tinyxml.xml");
    auto runOurs = [&](Stopwatch& watch) {
        watch.Start();
        auto document = std::make_unique<TiXmlDocument>();
        BeginXmlDocument(*document);
        {
            XmlExport xml(*document, false);
            RecipeSink* sinks[] = {&xml};
            Walk(input, sinks);
        }
        if (!SaveXmlDocument(*document, ours)) state.SkipWithError("save failed");
        watch.Stop();
    };
    auto runTinyXml = [&](Stopwatch& watch) {
        watch.Start();
        auto document = std::make_unique<TiXmlDocument>();
        script.Replay(*document);
        if (!document->SaveFile(theirs.c_str())) state.SkipWithError("save failed");
        watch.Stop();
    };
    Stopwatch oursWatch, tinyWatch;
    double oursTotal = 0, tinyTotal = 0;
    std::int64_t counted = 0;
    std::int64_t pair = 0;
    for (auto _ : state) {
        if (pair % 2 == 0) {
            runOurs(oursWatch);
            runTinyXml(tinyWatch);
        } else {
            runTinyXml(tinyWatch);
            runOurs(oursWatch);
        }
        const double o = oursWatch.Take(), t = tinyWatch.Take();
        state.SetIterationTime(o);
        if (pair++ > 0 || state.max_iterations == 1) {
            oursTotal += o;
            tinyTotal += t;
            ++counted;
        }
    }
    if (counted > 0) {
        state.counters["ours_ms"] = oursTotal / static_cast<double>(counted) * 1e3;
        state.counters["tinyxml_ms"] = tinyTotal / static_cast<double>(counted) * 1e3;
        state.counters["overhead_pct"] = (oursTotal / tinyTotal - 1.0) * 100.0;
    }
}

// Runs the text export once to learn its size, which the floor then writes.
std::size_t TextExportBytes(const Input& input) {
    const std::string out = OutputPath(input, "export.txt");
    DroppingTree tree;
    BenchDialog dialog(tree);
    return ExportAsTheJob(dialog, input.files.archive, out, false) ? static_cast<std::size_t>(std::filesystem::file_size(out))
                                                                    : 0;
}

}  // namespace

std::vector<Input>& Inputs() {
    static std::vector<Input> inputs;
    return inputs;
}

std::string OutputPath(const Input& input, std::string_view suffix) {
    return g_dataRoot + "/out/" + input.files.name + "-" + std::string(suffix);
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
        } else if (i > 0 && std::strncmp(argv[i], "--inputs=", 9) == 0) {
            g_inputs = argv[i] + 9;
        } else {
            args.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    std::filesystem::create_directories(g_dataRoot + "/out");
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
                 {"ReadInflate", BM_ReadInflate},
                 {"WalkNullView", BM_WalkNullView},
                 {"WalkRecipeTree", BM_WalkRecipeTree},
                 {"LoadRecipeTree", BM_LoadRecipeTree},
                 {"FindOneTerm", BM_FindOneTerm},
                 {"FindThreeTerms", BM_FindThreeTerms},
                 {"FindBroad", BM_FindBroad}}) {
            Register(what, input, run)->MinTime(minTime);
        }
        RegisterQtBenchmarks(input, minTime);
        for (const auto& [what, run] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&, Input&)>>{
                 {"TextExport", BM_TextExport},
                 {"XmlBuild", BM_XmlBuild},
                 {"XmlSave", BM_XmlSave},
                 {"XmlExport", BM_XmlExport}}) {
            Register(what, input, run)->MinTime(minTime);
        }
        // Fixed pairs: the first warms the heap.
        Register("XmlVsTinyXml", input, BM_XmlVsTinyXml)->Iterations(input.files.name == "realistic" ? 11 : 3);
    }
    benchmark::RunSpecifiedBenchmarks();
    ShutdownQtBenchmarks();
    benchmark::Shutdown();
    return 0;
}
