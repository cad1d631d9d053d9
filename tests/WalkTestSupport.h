#pragma once
// Runs loads of a recipe table image with each export attached and collects
// what each export put on disk.

#include "RecordingLoad.h"
#include "TempDir.h"
#include "load/LoadRecipeTable.h"
#include "io/OutputFile.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"
#include "fixtures/TableWriter.h"

#include <tinyxml.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <cstdio>
#include <string>

namespace artisanscope::testing {

struct LoadOptions {
    bool english = false;
    bool debug = false;
    bool text = true;
    bool xml = true;
};

struct LoadOutputs {
    bool ok = false;
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::string> messages;
    std::string text;       // the text export as written ("" when none was put in place)
    std::string savedXml;   // the XML export as written ("" when none was put in place)
};

inline std::string ReadText(const std::string& path) {
    const auto bytes = fixtures::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

inline std::string ReadAll(std::FILE* file) {
    std::string out;
    std::rewind(file);
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
    return out;
}

struct OneLoad {
    bool ok = false;
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::string> messages;
    std::string written;  // the export's file, "" when it was not put in place
};

// One load of image (the inflated tdl.crf, as if it came from an archive)
// into a fresh dialog and, when makeWriter is given, that export written as
// an export is: to a file put in place only after a successful load.
template <class MakeWriter>
OneLoad LoadOnce(const fixtures::Bytes& image, const LoadOptions& options, MakeWriter makeWriter) {
    RecordingLoad dialog(options.english, options.debug);
    TempDir dir;
    OutputFile output(dir / "out");
    OneLoad result;
    {
        std::unique_ptr<ExportWriter> writer = output.Create() ? makeWriter(output.file()) : nullptr;
        MpakMember member = MpakMember::Allocate(image.size());
        std::copy(image.begin(), image.end(), member.data());
        dialog.tree.DeleteAllItems();
        result.ok = static_cast<bool>(LoadRecipeTableImage(std::move(member), dialog.Options(writer.get())));
        dialog.tree.Finish();
        if (writer != nullptr && result.ok && writer->Ok()) output.Commit();
    }
    output.Discard();
    result.rows = dialog.Rows();
    result.messages = dialog.messages;
    if (std::filesystem::exists(dir / "out")) result.written = ReadText(dir / "out");
    return result;
}

// One load per requested export (one without any when none is); rows and
// messages are those of the XML load when there is one.
inline LoadOutputs LoadImage(const fixtures::Bytes& image, const LoadOptions& options = {}) {
    LoadOutputs result;
    auto take = [&result](OneLoad&& load) {
        result.ok = load.ok;
        result.rows = std::move(load.rows);
        result.messages = std::move(load.messages);
        return std::move(load.written);
    };
    if (options.text || !options.xml) {
        std::string text = take(LoadOnce(image, options, [&](std::FILE* file) -> std::unique_ptr<ExportWriter> {
            if (!options.text) return nullptr;
            return std::make_unique<TextExport>(file);
        }));
        result.text = std::move(text);
    }
    if (options.xml) {
        result.savedXml = take(LoadOnce(image, options, [](std::FILE* file) -> std::unique_ptr<ExportWriter> {
            return std::make_unique<XmlStreamExport>(file);
        }));
    }
    return result;
}

inline LoadOutputs LoadTable(const fixtures::TablePlan& plan, const LoadOptions& options = {}) {
    return LoadImage(fixtures::WriteRecipeTable(plan), options);
}

// The recipe of the examples, in Albion: skill S (data 1 2 3) with category
// K at position 0; K holds pattern P (skill 150, lvl 10, data 4 5 6, data5 7)
// with slot T x2 of material 8 and slot U x1 without material.
inline fixtures::TablePlan ExampleRecipe() {
    fixtures::TablePlan plan;
    fixtures::RealmPlan& albion = plan.realms[0];
    fixtures::PatternPlan p{.name = "P", .data1 = 4, .data2 = 5, .data3 = 6, .skill = 150, .lvl = 10, .data5 = 7};
    p.slots = {{.name = "T", .quantity = 2, .material = 8}, {.name = "U", .quantity = 1}};
    const std::uint16_t k = albion.AddCategory({.name = "K", .patterns = {albion.AddPattern(p)}});
    albion.skills = {{.name = "S", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {k}}};
    return plan;
}

}  // namespace artisanscope::testing
