#pragma once
// One export: the output file created beside its target, the writer of the
// chosen format, one load that writes it, and an honest account of what
// happened. The file is put in place only after a successful load whose
// writer wrote everything; otherwise nothing is created and a file already
// at the path keeps its bytes. Shared by the Export button and the job.

#include "io/OutputFile.h"
#include "load/LoadRecipeTable.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace artisanscope {

class ExportWriter;

inline constexpr std::string_view kCantReadArchiveMessage = "can't read 'ifd.mpk'";
inline constexpr std::string_view kOpenTableFirstMessage = "Open a table first";
inline constexpr std::string_view kCantCreateFileMessage = "can't create file";
inline constexpr std::string_view kCantWriteFileMessage = "can't write file";

enum class ExportFormat {
    Text,    // semicolon-separated lines
    Xml,
    Csv,     // RFC 4180, UTF-8
    Json,
    Sqlite,  // a database file
};

// The format a file name asks for: ".xml" in any case gives Xml, every other
// name Text. The other formats are chosen only by name (--format) or by the
// save dialog's filter.
ExportFormat ExportFormatForPath(std::string_view path);

// The format named on the command line: "text", "xml", "csv", "json" or
// "sqlite", in any letter case; nothing for any other name.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

// What a format needs of its output, and how its writer is made.
struct ExportFormatTraits {
    OutputTarget target = OutputTarget::AnyFile;
    // The writer for an output created as `target` asks: the open stream and
    // the path of the file behind it (null and empty for savedAtEnd below).
    std::unique_ptr<ExportWriter> (*makeWriter)(std::FILE* file, const std::string& path) = nullptr;
    // The format's file counts as saved at the end: an output that cannot be
    // created does not stop the load; the export runs with nowhere to go
    // and is reported as not written. XML exports have always been reported
    // this way, from when the document was built in memory and saved last.
    bool savedAtEnd = false;
};

// The one place where formats are listed.
ExportFormatTraits ExportFormatTraitsFor(ExportFormat format);

struct ExportOutcome {
    bool created = false;  // the output file could be created (always, for a format saved at the end)
    LoadResult load;       // not Loaded also when there was no load (not created)
    bool written = false;  // the file is in place with everything the load produced
    // Why the file was not created, or not written after a good load: the
    // output's failing step or the writer's. Empty otherwise.
    WriteFailure failure;
};

// Creates the output for outputPath, loads the table at archivePath with
// options into the format's writer (options.writer is set here), and puts
// the file in place when the load succeeded and the writer is Ok. When the
// output cannot be created there is no load, unless the format is saved at
// the end. With a find query that is not empty the file holds what the
// filtered tree shows.
ExportOutcome ExportRecipeTable(const std::string& archivePath, const std::string& outputPath, ExportFormat format,
                                LoadOptions options);

}  // namespace artisanscope
