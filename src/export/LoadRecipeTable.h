#pragma once
// The one operation behind every load, refresh and export: empties the
// dialog's tree, fetches "tdl.crf" from the archive, and walks it once into
// the tree and, when given, the text file and the XML document.

#include "archive/MpakArchive.h"
#include "export/RecipeDialog.h"

#include <cstdio>
#include <string>
#include <string_view>

class TiXmlDocument;

namespace artisanscope {

inline constexpr std::string_view kRecipeTableMember = "tdl.crf";
inline constexpr std::string_view kNewerVersionMessage = "not supported file version - errors can occur";
inline constexpr std::string_view kLegacyXmlMessage = "XML-Export of old format currently not supported";
inline constexpr std::string_view kOldVersionMessage =
    "not supported file version\r\nAND you have an OLD file-version plz update camelot";

// Returns false when the table cannot be had from the archive (the tree is
// then empty and nothing was written), the legacy walk's result for tables
// older than version 102, and true otherwise. The caller owns the text file
// (opened "wb") and the document, and closes or saves them afterwards.
bool LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, std::FILE* textFile,
                     TiXmlDocument* document);

// The load's work once the image is in hand: header line, XML start, version
// rule, walk. Takes the image over and releases it before returning.
bool LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, std::FILE* textFile, TiXmlDocument* document);

// Walks a version-101 table (refusing every other version with a message):
// same labels and rows as the version-102 walk outside debug mode, never
// hides a pattern, and adds nothing to an XML document (it warns instead).
// Takes the image over and releases it before returning.
bool WalkLegacyRecipeTable(RecipeDialog& dialog, MpakMember image, std::FILE* textFile, TiXmlDocument* document);

}  // namespace artisanscope
