// The XML, CSV, JSON and SQLite exports as the headless job writes them,
// each against the semicolon text export and against the floor of its own
// size in alternating runs, so that "x_text" and "x_floor" compare them
// under the same load of the machine.

#include "BenchSupport.h"
#include "MappedFloor.h"
#include "export/CsvExport.h"
#include "export/JsonExport.h"
#include "load/LoadRecipeTable.h"
#include "io/OutputFile.h"
#include "export/SqliteExport.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"

#include <filesystem>
#include <memory>

namespace artisanscope::bench {
namespace {

enum class Format { Text, Xml, Csv, Json, Sqlite };

// The job's export: a temporary file beside the target, the writer, the
// load with a tree that keeps nothing, the file synced and renamed.
bool ExportAs(Format format, const Input& input, const std::string& out) {
    RecipeTreeStore* const tree = nullptr;  // the headless job keeps no tree
    OutputFile output(out, format == Format::Sqlite ? OutputTarget::RegularFile : OutputTarget::AnyFile);
    if (!output.Create()) return false;
    std::unique_ptr<ExportWriter> writer;
    switch (format) {
        case Format::Text: writer = std::make_unique<TextExport>(output.file()); break;
        case Format::Xml: writer = std::make_unique<XmlStreamExport>(output.file()); break;
        case Format::Csv: writer = std::make_unique<CsvExport>(output.file()); break;
        case Format::Json: writer = std::make_unique<JsonExport>(output.file(), "Artisanscope bench"); break;
        case Format::Sqlite: writer = std::make_unique<SqliteExport>(output.path(), "Artisanscope bench"); break;
    }
    return LoadRecipeTable(input.files.archive, BenchLoadOptions(tree, writer.get())) && writer->Ok() && output.Commit();
}

void Pairs(benchmark::State& state, Input& input, Format format, const char* suffix) {
    const std::string textOut = OutputPath(input, "pair.txt");
    const std::string out = OutputPath(input, suffix);
    const std::string floorOut = OutputPath(input, "pair.floor");
    // The floor writes as many bytes as the export: one export first.
    if (!ExportAs(format, input, out)) state.SkipWithError("export failed");
    const std::size_t bytes = std::filesystem::exists(out) ? std::filesystem::file_size(out) : 0;
    Stopwatch watch;
    double textTotal = 0, formatTotal = 0, floorTotal = 0;
    for (auto _ : state) {
        watch.Start();
        const bool textOk = ExportAs(Format::Text, input, textOut);
        watch.Stop();
        textTotal += watch.Take();
        watch.Start();
        const bool floorOk = RunMappedFloor(input.files.archive, kRecipeTableMember, floorOut, bytes);
        watch.Stop();
        floorTotal += watch.Take();
        watch.Start();
        const bool formatOk = ExportAs(format, input, out);
        watch.Stop();
        const double seconds = watch.Take();
        if (!textOk || !formatOk || !floorOk) state.SkipWithError("export failed");
        state.SetIterationTime(seconds);
        formatTotal += seconds;
    }
    if (textTotal > 0 && floorTotal > 0) {
        const double n = static_cast<double>(state.iterations());
        state.counters["text_ms"] = textTotal / n * 1e3;
        state.counters["floor_ms"] = floorTotal / n * 1e3;
        state.counters["x_text"] = formatTotal / textTotal;
        state.counters["x_floor"] = formatTotal / floorTotal;
        state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
    }
}

void BM_XmlExportPairs(benchmark::State& state, Input& input) { Pairs(state, input, Format::Xml, "export.xml"); }
void BM_CsvExport(benchmark::State& state, Input& input) { Pairs(state, input, Format::Csv, "export.csv"); }
void BM_JsonExport(benchmark::State& state, Input& input) { Pairs(state, input, Format::Json, "export.json"); }
void BM_SqliteExport(benchmark::State& state, Input& input) { Pairs(state, input, Format::Sqlite, "export.sqlite"); }

}  // namespace

void RegisterFormatBenchmarks(Input& input) {
    const bool realistic = input.files.name == "realistic";
    Register("XmlExportPairs", input, BM_XmlExportPairs)->Iterations(realistic ? 21 : 3);
    Register("CsvExport", input, BM_CsvExport)->Iterations(realistic ? 21 : 3);
    Register("JsonExport", input, BM_JsonExport)->Iterations(realistic ? 21 : 3);
    Register("SqliteExport", input, BM_SqliteExport)->Iterations(realistic ? 11 : 1);
}

}  // namespace artisanscope::bench
