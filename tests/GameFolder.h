#pragma once
// A small game folder for the shell's tests, and the exports the core makes
// of it, as the reference the shell's outputs are compared with.

#include "RecordingLoad.h"
#include "export/ExportFile.h"
#include "load/LoadRecipeTable.h"
#include "table/RecipeTree.h"
#include "fixtures/TableWriter.h"

#include <tinyxml.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace artisanscope::testing {

// Albion: one skill, one category, a pattern of skill 15 whose ingredient is
// material 22 ("Gepr\xE4gt" / "Embossed"), and a debug-only pattern of skill
// 2100. Midgard and Hibernia are empty.
inline fixtures::TablePlan SmallTable(std::uint32_t version = 102) {
    fixtures::TablePlan table;
    table.version = version;
    fixtures::RealmPlan& albion = table.realms[0];
    fixtures::PatternPlan sword{.name = "Kurzschwert", .data1 = 4, .data2 = 5, .data3 = 6, .skill = 15, .lvl = 1,
                                .slots = {{.name = "Metallbarren", .quantity = 2, .material = 22}}};
    fixtures::PatternPlan hidden{.name = "Geheim", .skill = 2100, .slots = {{.name = "Faden", .quantity = 1}}};
    fixtures::CategoryPlan swords{.name = "Schwerter", .patterns = {albion.AddPattern(sword), albion.AddPattern(hidden)}};
    albion.skills.push_back(
        {.name = "Waffenschmied", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {albion.AddCategory(swords)}});
    return table;
}

inline void WriteSmallGame(const std::string& folder, std::uint32_t version = 102) {
    fixtures::WriteGameDirectory(folder, fixtures::WriteRecipeTable(SmallTable(version)));
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Arguments with "$GAME" and "$OUT" replaced by the given folders.
inline std::vector<std::string> Substitute(std::vector<std::string> args, const std::string& game,
                                           const std::string& out) {
    for (std::string& arg : args) {
        for (const auto& [token, value] : {std::pair<std::string, std::string>{"$GAME", game}, {"$OUT", out}}) {
            if (const auto at = arg.find(token); at != std::string::npos) arg.replace(at, token.size(), value);
        }
    }
    return args;
}


// The export of the archive in a format, made by the core alone.
inline std::string ReferenceExportAs(const std::string& archive, ExportFormat format, bool english, bool debug,
                                     const std::string& scratchFolder) {
    RecordingLoad load(english, debug);
    const std::string path = scratchFolder + "/reference";
    ExportRecipeTable(archive, path, format, load.Options());
    const std::string text = ReadText(path);
    std::remove(path.c_str());
    return text;
}

// The text or XML export of the archive, made by the core alone.
inline std::string ReferenceExport(const std::string& archive, bool xml, bool english, bool debug,
                                   const std::string& scratchFolder) {
    return ReferenceExportAs(archive, xml ? ExportFormat::Xml : ExportFormat::Text, english, debug, scratchFolder);
}

}  // namespace artisanscope::testing
