#pragma once
// The one operation behind every load, refresh and export: fetches
// "tdl.crf" from the archive and walks it once into a tree store and, when
// given, one consumer of the walk. It takes what it uses, not a dialog: the
// language, the debug mode, the store, the writer, a find query and a sink
// for its message boxes.

#include "archive/MpakArchive.h"
#include "recipes/Names.h"
#include "table/RecipeTreeStore.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace artisanscope {

class ExportWriter;
class RecipeSink;
struct FindQuery;

inline constexpr std::string_view kRecipeTableMember = "tdl.crf";
inline constexpr std::string_view kNewerVersionMessage = "not supported file version - errors can occur";
inline constexpr std::string_view kLegacyXmlMessage = "XML-Export of old format currently not supported";
inline constexpr std::string_view kOldVersionMessage =
    "not supported file version\r\nAND you have an OLD file-version plz update camelot";
// What a load that ran out of memory is reported as, in place of the
// message of an unreadable archive.
inline constexpr std::string_view kOutOfMemoryMessage = "out of memory";

enum class LoadStatus {
    Loaded,             // the table was walked (possibly after a warning)
    ArchiveUnreadable,  // the archive or its member "tdl.crf" could not be had
    VersionRefused,     // a table older than version 101
    OutOfMemory,        // memory ran out while the table was walked or filtered
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::string reason;  // ArchiveUnreadable: the archive reader's reason
    explicit operator bool() const { return status == LoadStatus::Loaded; }
};

// The message a failed load is shown with: its own words when memory ran
// out, otherwise the caller's.
inline std::string_view FailedLoadMessage(const LoadResult& load, std::string_view otherwise) {
    return load.status == LoadStatus::OutOfMemory ? kOutOfMemoryMessage : otherwise;
}

// The load's message boxes (a newer or refused table version, a legacy
// table for a writer that cannot hold one): code page 1252, may hold
// "\r\n".
using LoadMessages = std::function<void(std::string_view text)>;

struct LoadOptions {
    Language language = Language::German;
    // The debug mode: debug labels and values, and the patterns the game
    // hides are shown (version-102 tables only).
    bool debug = false;
    // Emptied, then filled with every item of the table; null: no tree is
    // built, not even its labels.
    RecipeTreeStore* tree = nullptr;
    // Begun once the table is in hand and given the walk; null: none.
    ExportWriter* writer = nullptr;
    // With a query that is not empty the writer gets only what the tree
    // filtered by it shows (the store above is still filled whole).
    const FindQuery* find = nullptr;
    // Given the whole walk beside the tree, never filtered by the find
    // query (an index of what the tree shows); null: none.
    RecipeSink* alongside = nullptr;
    // Where the load's message boxes go; empty: nowhere.
    LoadMessages messages;
};

// Reads "tdl.crf" from the archive and walks it into options.tree and
// options.writer. When the table cannot be had the tree stays empty and the
// writer is never begun. After a refused version the writer's End is not
// called (its output is to be thrown away); otherwise End follows the walk.
//
// With a find query the table is walked into a tree with every label (the
// caller's when its store keeps a RecipeTree and starts empty, otherwise one
// of the load's own), the shown set computed, and the table walked again for
// the writer through a ShownItemsSink.
LoadResult LoadRecipeTable(const std::string& archivePath, const LoadOptions& options);

// The load's work once the image is in hand: writer start, version rule,
// walk. Takes the image over and releases it before returning. The tree is
// not emptied first.
LoadResult LoadRecipeTableImage(MpakMember image, const LoadOptions& options);

// The version rule's lower branch, for an image whose version is below 102
// and whose writer has been begun: refuses every version but 101 with a
// message; walks a version-101 table with the same labels and rows as the
// version-102 walk outside debug mode, never hiding a pattern, into the tree
// and into a writer that takes legacy tables (any other writer gets a warning
// and nothing of the walk).
LoadResult WalkLegacyRecipeTable(std::span<const std::uint8_t> image, const LoadOptions& options);

}  // namespace artisanscope
