#pragma once
// Compares the recipe tables of two archives: each side goes through the one
// load with the same settings (language, debug mode), each with the rules of
// its own table version, into a RecipeDiffCollector; then the sides are
// paired into a DiffReport. Shared by the command line and the dialog.

#include "load/LoadRecipeTable.h"
#include "compare/RecipeDiff.h"
#include "find/RecipeFilter.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace artisanscope {

struct CompareSettings {
    Language language = Language::German;
    bool debug = false;
    // Restricts the comparison to the patterns this query shows on either
    // side; an empty query compares every pattern.
    FindQuery find;
};

struct ComparisonResult {
    LoadResult oldLoad;
    LoadResult newLoad;
    // The find filter could not get its memory: no report.
    bool filterFailed = false;
    // Present when both sides loaded (and the filter, if any, applied).
    std::optional<DiffReport> report;
};

// The load's message boxes (a newer table version, a refused one), in code
// page 1252.
using ComparisonMessages = LoadMessages;

// Both archive paths are used as they stand (the caller applies its path
// rules). Both sides are loaded even when the first fails, so that both
// reasons can be told.
ComparisonResult CompareArchives(const std::string& oldArchive, const std::string& newArchive,
                                 const CompareSettings& settings, const ComparisonMessages& showMessage);

}  // namespace artisanscope
