#pragma once
// One export: the output chosen by its file name (".xml" in any case gives
// the XML export, anything else the text export), one load that writes it,
// and an honest account of whether the file was written. Shared by the
// Export button and the command-line job, which differ only in what they do
// with a document after a failed load.

#include "export/RecipeDialog.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace artisanscope {

inline constexpr std::string_view kCantReadArchiveMessage = "can't read 'ifd.mpk'";
inline constexpr std::string_view kOpenTableFirstMessage = "Open a table first";
inline constexpr std::string_view kCantCreateFileMessage = "can't create file";
inline constexpr std::string_view kCantWriteFileMessage = "can't write file";

// Opens a text export: created, or emptied when it exists. Null on failure.
std::FILE* CreateTextExport(const std::string& path);

// Flushes and closes a text export; false when any byte written to it may
// have been lost (a write error now or earlier, or a failed close).
bool CloseTextExport(std::FILE* file);

enum class FailedLoadDocument {
    Discard,  // the Export button: an XML document is not saved after a failed load
    Save,     // the command-line job: it is saved with whatever it holds
};

struct ExportOutcome {
    bool created = false;  // the text file could be opened (always true for XML)
    bool loaded = false;   // LoadRecipeTable returned true
    bool written = false;  // the file on disk holds everything the load produced
};

// Exports the table at archivePath to outputPath through LoadRecipeTable.
// A text file is created before the load and closed after it, whatever its
// outcome; an XML document is saved atomically.
ExportOutcome ExportRecipeTable(RecipeDialog& dialog, const std::string& archivePath, const std::string& outputPath,
                                FailedLoadDocument failedLoadDocument);

}  // namespace artisanscope
