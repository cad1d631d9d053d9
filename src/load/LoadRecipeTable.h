#pragma once
// The one operation behind every load, refresh and export: empties the
// dialog's tree, fetches "tdl.crf" from the archive, and walks it once into
// the tree and, when given, one export writer.

#include "archive/MpakArchive.h"
#include "load/RecipeDialog.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace artisanscope {

class ExportWriter;
struct FindQuery;

inline constexpr std::string_view kRecipeTableMember = "tdl.crf";
inline constexpr std::string_view kNewerVersionMessage = "not supported file version - errors can occur";
inline constexpr std::string_view kLegacyXmlMessage = "XML-Export of old format currently not supported";
inline constexpr std::string_view kOldVersionMessage =
    "not supported file version\r\nAND you have an OLD file-version plz update camelot";

enum class LoadStatus {
    Loaded,             // the table was walked (possibly after a warning)
    ArchiveUnreadable,  // the archive or its member "tdl.crf" could not be had
    VersionRefused,     // a table older than version 101
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::string reason;  // ArchiveUnreadable: the archive reader's reason
    explicit operator bool() const { return status == LoadStatus::Loaded; }
};

// Empties the dialog's tree, reads "tdl.crf" from the archive and walks it
// into the tree and, when given, the writer. When the table cannot be had the
// tree stays empty and the writer is never begun. The writer is begun once
// the table is in hand; after a refused version its End is not called (its
// output is to be thrown away); otherwise End follows the walk.
//
// With a find query that is not empty the writer gets only what the filtered
// tree shows (the dialog's tree is filled whole as always): the table is
// walked into a tree of its own with every label, the shown set computed,
// and the table walked again for the writer through a ShownItemsSink.
LoadResult LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, ExportWriter* writer);
LoadResult LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, ExportWriter* writer,
                           const FindQuery& find);

// The load's work once the image is in hand: writer start, version rule,
// walk. Takes the image over and releases it before returning.
LoadResult LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, ExportWriter* writer);
LoadResult LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, ExportWriter* writer, const FindQuery& find);

// The version rule's lower branch, for an image whose version is below 102
// and whose writer has been begun: refuses every version but 101 with a
// message; walks a version-101 table with the same labels and rows as the
// version-102 walk outside debug mode, never hiding a pattern, into the tree
// and into a writer that takes legacy tables (any other writer gets a warning
// and nothing of the walk).
LoadResult WalkLegacyRecipeTable(RecipeDialog& dialog, std::span<const std::uint8_t> image, ExportWriter* writer);
LoadResult WalkLegacyRecipeTable(RecipeDialog& dialog, std::span<const std::uint8_t> image, ExportWriter* writer,
                                 const FindQuery& find);

}  // namespace artisanscope
