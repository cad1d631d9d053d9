#include "app/ExportFile.h"

#include "app/PathRules.h"
#include "export/TextExport.h"
#include "export/XmlStream.h"

namespace artisanscope {

ExportFormat ExportFormatForPath(std::string_view path) {
    return EndsWithNoCase(path, ".xml") ? ExportFormat::Xml : ExportFormat::Text;
}

ExportFormatSpec ExportFormatSpecFor(ExportFormat format) {
    switch (format) {
        case ExportFormat::Xml:
            return {OutputTarget::AnyFile,
                    [](std::FILE* file, const std::string&) -> std::unique_ptr<ExportWriter> {
                        return std::make_unique<XmlStreamExport>(file);
                    },
                    true};
        case ExportFormat::Text:
            break;
    }
    return {OutputTarget::AnyFile, [](std::FILE* file, const std::string&) -> std::unique_ptr<ExportWriter> {
                return std::make_unique<TextExport>(file);
            }};
}

ExportOutcome ExportRecipeTable(RecipeDialog& dialog, const std::string& archivePath, const std::string& outputPath,
                                ExportFormat format) {
    ExportOutcome outcome;
    outcome.load.status = LoadStatus::ArchiveUnreadable;
    const ExportFormatSpec spec = ExportFormatSpecFor(format);
    OutputFile output(outputPath, spec.target);
    const bool created = output.Create();
    if (!created && !spec.savedAtEnd) return outcome;
    outcome.created = true;
    const std::unique_ptr<ExportWriter> writer = spec.makeWriter(output.file(), output.path());
    outcome.load = LoadRecipeTable(dialog, archivePath, writer.get());
    // Nothing reaches the target unless the load succeeded and every byte
    // was written; the output's destructor throws the rest away.
    if (created && outcome.load && writer->Ok()) outcome.written = output.Commit();
    return outcome;
}

}  // namespace artisanscope
