#include "compare/TableComparison.h"

#include "table/RecipeTree.h"

#include <memory>

namespace artisanscope {
namespace {

// Keeps nothing, so the walk builds no tree labels.
class DroppingTree final : public RecipeTreeStore {
public:
    void DeleteAllItems() override {}
    TreeItem InsertItem(TreeItem, std::string_view) override { return kNoTreeItem; }
    bool KeepsItems() const override { return false; }
};

// What one side's load needs of a dialog: the settings, a tree only when a
// find query needs one, and the messages passed on.
class SideDialog final : public RecipeDialog {
public:
    SideDialog(const CompareSettings& settings, const ComparisonMessages& showMessage)
        : settings_(settings), showMessage_(showMessage) {}

    RecipeTreeStore& treeStore() override {
        if (settings_.find.empty()) return dropping_;
        return tree;
    }
    bool IsEnglishNamesChecked() const override { return settings_.language == Language::English; }
    bool debugMode() const override { return settings_.debug; }
    void ShowMessage(std::string_view text) override {
        if (showMessage_) showMessage_(text);
    }

    RecipeTree tree;

private:
    const CompareSettings& settings_;
    const ComparisonMessages& showMessage_;
    DroppingTree dropping_;
};

struct LoadedSide {
    LoadResult load;
    bool filterFailed = false;
    DiffSide side;
};

LoadedSide LoadSide(const std::string& archive, TextPool& pool, const CompareSettings& settings,
                    const ComparisonMessages& showMessage) {
    LoadedSide out;
    SideDialog dialog(settings, showMessage);
    RecipeDiffCollector collector(pool);
    out.load = LoadRecipeTable(dialog, archive, &collector);
    if (!out.load) return out;
    out.side = collector.TakeSide();
    if (!settings.find.empty()) {
        RecipeFilter filter;
        out.filterFailed = !filter.Apply(dialog.tree, settings.find) ||
                           !RestrictToShownPatterns(out.side, dialog.tree, filter);
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
