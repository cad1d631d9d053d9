#include "app/ExportFile.h"

#include "app/PathRules.h"
#include "export/LoadRecipeTable.h"
#include "export/XmlExport.h"

#include <tinyxml.h>

namespace artisanscope {

std::FILE* CreateTextExport(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

bool CloseTextExport(std::FILE* file) {
    const bool flushed = std::fflush(file) == 0;
    const bool clean = std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return flushed && clean && closed;
}

ExportOutcome ExportRecipeTable(RecipeDialog& dialog, const std::string& archivePath, const std::string& outputPath,
                                FailedLoadDocument failedLoadDocument) {
    ExportOutcome outcome;
    if (IsXmlExportPath(outputPath)) {
        TiXmlDocument document;
        outcome.created = true;
        outcome.loaded = LoadRecipeTable(dialog, archivePath, nullptr, &document);
        if (outcome.loaded || failedLoadDocument == FailedLoadDocument::Save) {
            outcome.written = SaveXmlDocument(document, outputPath);
        }
        return outcome;
    }
    std::FILE* file = CreateTextExport(outputPath);
    if (file == nullptr) return outcome;
    outcome.created = true;
    outcome.loaded = LoadRecipeTable(dialog, archivePath, file, nullptr);
    outcome.written = CloseTextExport(file);
    return outcome;
}

}  // namespace artisanscope
