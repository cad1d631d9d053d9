#include "export/ExportFile.h"

#include "export/CsvExport.h"
#include "export/JsonExport.h"
#include "export/SqliteExport.h"
#include "export/TextExport.h"
#include "export/Version.h"
#include "export/XmlStream.h"
#include "io/AsciiCase.h"

#include <array>
#include <utility>

namespace artisanscope {
namespace {

// ".xml" ends the name, ASCII letters compared without case as file names
// are.
bool EndsInXml(std::string_view path) {
    constexpr std::string_view kXml = ".xml";
    return path.size() >= kXml.size() && EqualsIgnoringAsciiCase(path.substr(path.size() - kXml.size()), kXml);
}

}  // namespace

ExportFormat ExportFormatForPath(std::string_view path) { return EndsInXml(path) ? ExportFormat::Xml : ExportFormat::Text; }

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, ExportFormat>, 5> kNames{{
        {"text", ExportFormat::Text},
        {"xml", ExportFormat::Xml},
        {"csv", ExportFormat::Csv},
        {"json", ExportFormat::Json},
        {"sqlite", ExportFormat::Sqlite},
    }};
    for (const auto& [known, format] : kNames) {
        if (EqualsIgnoringAsciiCase(name, known)) return format;
    }
    return std::nullopt;
}

ExportFormatTraits ExportFormatTraitsFor(ExportFormat format) {
    switch (format) {
        case ExportFormat::Csv:
            return {OutputTarget::AnyFile, [](std::FILE* file, const std::string&) -> std::unique_ptr<ExportWriter> {
                        return std::make_unique<CsvExport>(file);
                    }};
        case ExportFormat::Json:
            return {OutputTarget::AnyFile, [](std::FILE* file, const std::string&) -> std::unique_ptr<ExportWriter> {
                        return std::make_unique<JsonExport>(file, kVersionText);
                    }};
        case ExportFormat::Sqlite:
            // SQLite opens the file itself, by its path, and needs a regular
            // file it can lock and seek in.
            return {OutputTarget::RegularFile,
                    [](std::FILE*, const std::string& path) -> std::unique_ptr<ExportWriter> {
                        return std::make_unique<SqliteExport>(path, kVersionText);
                    }};
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

ExportOutcome ExportRecipeTable(const std::string& archivePath, const std::string& outputPath, ExportFormat format,
                                LoadOptions options) {
    ExportOutcome outcome;
    outcome.load.status = LoadStatus::ArchiveUnreadable;
    const ExportFormatTraits plan = ExportFormatTraitsFor(format);
    OutputFile output(outputPath, plan.target);
    const bool created = output.Create();
    if (!created) outcome.failure = output.failure();
    if (!created && !plan.savedAtEnd) return outcome;
    outcome.created = true;
    const std::unique_ptr<ExportWriter> writer = plan.makeWriter(output.file(), output.path());
    options.writer = writer.get();
    outcome.load = LoadRecipeTable(archivePath, options);
    // Nothing reaches the target unless the load succeeded and every byte
    // was written; the output's destructor throws the rest away.
    if (!created || !outcome.load) return outcome;
    if (!writer->Ok()) {
        outcome.failure = writer->Failure();
    } else {
        outcome.written = output.Commit();
        if (!outcome.written) outcome.failure = output.failure();
    }
    return outcome;
}

}  // namespace artisanscope
