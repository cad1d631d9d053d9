#pragma once
// One export: the output file created beside its target, the writer of the
// chosen format, one load that writes it, and an honest account of what
// happened. The file is put in place only after a successful load whose
// writer wrote everything; otherwise nothing is created and a file already
// at the path keeps its bytes. Shared by the Export button and the job.

#include "export/LoadRecipeTable.h"
#include "export/OutputFile.h"
#include "export/RecipeDialog.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace artisanscope {

class ExportWriter;

inline constexpr std::string_view kCantReadArchiveMessage = "can't read 'ifd.mpk'";
inline constexpr std::string_view kOpenTableFirstMessage = "Open a table first";
inline constexpr std::string_view kCantCreateFileMessage = "can't create file";
inline constexpr std::string_view kCantWriteFileMessage = "can't write file";

enum class ExportFormat {
    Text,  // semicolon-separated lines
    Xml,
};

// The format a file name asks for: ".xml" in any case gives Xml, every other
// name Text.
ExportFormat ExportFormatForPath(std::string_view path);

// What a format needs of its output, and how its writer is made.
struct ExportFormatSpec {
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
ExportFormatSpec ExportFormatSpecFor(ExportFormat format);

struct ExportOutcome {
    bool created = false;  // the output file could be created (always, for a format saved at the end)
    LoadResult load;       // not Loaded also when there was no load (not created)
    bool written = false;  // the file is in place with everything the load produced
};

// Creates the output for outputPath, loads the table at archivePath into the
// format's writer, and puts the file in place when the load succeeded and
// the writer is Ok. When the output cannot be created there is no load,
// unless the format is saved at the end.
ExportOutcome ExportRecipeTable(RecipeDialog& dialog, const std::string& archivePath, const std::string& outputPath,
                                ExportFormat format);

}  // namespace artisanscope
