#include "compare/TableComparison.h"

#include "table/RecipeTree.h"

#include <memory>

namespace artisanscope {
namespace {

struct LoadedSide {
    LoadResult load;
    bool filterFailed = false;
    DiffSide side;
};

LoadedSide LoadSide(const std::string& archive, TextPool& pool, const CompareSettings& settings,
                    const ComparisonMessages& showMessage) {
    LoadedSide out;
    RecipeDiffCollector collector(pool);
    // A tree only when the find query needs one: without it the walk builds
    // no labels.
    RecipeTree tree;
    LoadOptions options;
    options.language = settings.language;
    options.debug = settings.debug;
    options.tree = settings.find.empty() ? nullptr : &tree;
    options.writer = &collector;
    options.messages = showMessage;
    out.load = LoadRecipeTable(archive, options);
    if (!out.load) return out;
    out.side = collector.TakeSide();
    if (!settings.find.empty()) {
        RecipeFilter filter;
        out.filterFailed = !filter.Apply(tree, settings.find) || !RestrictToShownPatterns(out.side, filter);
    }
    return out;
}

}  // namespace

ComparisonResult CompareArchives(const std::string& oldArchive, const std::string& newArchive,
                                 const CompareSettings& settings, const ComparisonMessages& showMessage) {
    auto pool = std::make_shared<TextPool>();
    LoadedSide oldSide = LoadSide(oldArchive, *pool, settings, showMessage);
    LoadedSide newSide = LoadSide(newArchive, *pool, settings, showMessage);
    ComparisonResult result;
    result.oldLoad = std::move(oldSide.load);
    result.newLoad = std::move(newSide.load);
    result.filterFailed = oldSide.filterFailed || newSide.filterFailed;
    if (result.oldLoad && result.newLoad && !result.filterFailed) {
        result.report.emplace(CompareRecipeTables(std::move(pool), std::move(oldSide.side), std::move(newSide.side),
                                                  {settings.language, settings.debug}));
    }
    return result;
}

}  // namespace artisanscope
