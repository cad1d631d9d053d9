#include "load/LoadRecipeTable.h"

#include "load/ExportWriter.h"
#include "find/RecipeFilter.h"
#include "find/ShownItemsSink.h"
#include "table/RecipeWalk.h"
#include "table/TreeFiller.h"
#include "recipes/RecipeTable.h"

#include <vector>

namespace artisanscope {
namespace {

// Tells the tree view that filling is over, on every way out of a load.
class FillingScope {
public:
    explicit FillingScope(RecipeTreeStore& tree) : tree_(tree) {}
    ~FillingScope() { tree_.FinishFilling(); }
    FillingScope(const FillingScope&) = delete;
    FillingScope& operator=(const FillingScope&) = delete;

private:
    RecipeTreeStore& tree_;
};

Language LanguageOf(const RecipeDialog& dialog) {
    return dialog.IsEnglishNamesChecked() ? Language::English : Language::German;
}

constexpr std::string_view kOutOfMemoryReason = "out of memory";

// The walk into the tree and, when given, the writer's sink. With a find
// query the writer gets the shown items only, in a walk of its own after the
// shown set is known. Calls the writer's End after the walk, when given.
LoadResult WalkInto(RecipeDialog& dialog, const RecipeTableView& table, const WalkOptions& options,
                    RecipeSink* walkWriter, ExportWriter* writer, const FindQuery& find) {
    TreeFiller treeFiller(dialog.treeStore(), options.debug);
    std::vector<RecipeSink*> sinks;
    if (dialog.treeStore().KeepsItems()) sinks.push_back(&treeFiller);
    const bool filtered = walkWriter != nullptr && !find.empty();
    if (!filtered) {
        if (walkWriter != nullptr) sinks.push_back(walkWriter);
        WalkRecipes(table, options, sinks);
    } else {
        RecipeTree tree;
        TreeFiller ownFiller(tree, options.debug);
        sinks.push_back(&ownFiller);
        WalkRecipes(table, options, sinks);
        tree.Finish();
        RecipeFilter filter;
        if (!filter.Apply(tree, find)) return {LoadStatus::ArchiveUnreadable, std::string(kOutOfMemoryReason)};
        ShownItemsSink shown(filter, *walkWriter);
        RecipeSink* const shownSinks[] = {&shown};
        WalkRecipes(table, options, shownSinks);
        // An insert the tree could not make would shift every later item.
        if (shown.itemsWalked() != tree.size()) return {LoadStatus::ArchiveUnreadable, std::string(kOutOfMemoryReason)};
    }
    if (writer != nullptr) writer->End();
    return {};
}

}  // namespace

LoadResult LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, ExportWriter* writer) {
    return LoadRecipeTable(dialog, archivePath, writer, FindQuery{});
}

LoadResult LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, ExportWriter* writer) {
    return LoadRecipeTableImage(dialog, std::move(image), writer, FindQuery{});
}

LoadResult WalkLegacyRecipeTable(RecipeDialog& dialog, std::span<const std::uint8_t> image, ExportWriter* writer) {
    return WalkLegacyRecipeTable(dialog, image, writer, FindQuery{});
}

LoadResult LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, ExportWriter* writer,
                           const FindQuery& find) {
    RecipeTreeStore& tree = dialog.treeStore();
    tree.DeleteAllItems();
    FillingScope filling(tree);
    MpakRead read = ReadMpakMember(archivePath, kRecipeTableMember);
    if (!read) return {LoadStatus::ArchiveUnreadable, std::move(read.reason)};
    return LoadRecipeTableImage(dialog, std::move(read.member), writer, find);
}

LoadResult LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, ExportWriter* writer, const FindQuery& find) {
    const MpakMember owned = std::move(image);  // released on every way out
    const Language language = LanguageOf(dialog);
    const bool debug = dialog.debugMode();
    const RecipeTableView table(ByteView(owned.bytes()), kLayout102);
    const std::uint32_t version = table.version();
    const VersionRule rule = VersionRuleFor(version);
    if (writer != nullptr) writer->Begin(ExportStart{version, language, debug, debug && rule != VersionRule::Legacy});

    switch (rule) {
        case VersionRule::Legacy:
            return WalkLegacyRecipeTable(dialog, owned.bytes(), writer, find);
        case VersionRule::Newer:
            dialog.ShowMessage(kNewerVersionMessage);
            break;
        case VersionRule::Current:
            break;
    }
    return WalkInto(dialog, table, WalkOptions{language, debug, !debug}, writer, writer, find);
}

LoadResult WalkLegacyRecipeTable(RecipeDialog& dialog, std::span<const std::uint8_t> image, ExportWriter* writer,
                                 const FindQuery& find) {
    ExportWriter* walkWriter = writer;
    if (writer != nullptr && !writer->TakesLegacyTables()) {
        dialog.ShowMessage(kLegacyXmlMessage);
        walkWriter = nullptr;
    }
    const RecipeTableView table(ByteView(image), kLayout101);
    if (table.version() != kLegacyTableVersion) {
        dialog.ShowMessage(kOldVersionMessage);
        return {LoadStatus::VersionRefused, {}};
    }
    return WalkInto(dialog, table, WalkOptions{LanguageOf(dialog), false, false}, walkWriter, writer, find);
}

}  // namespace artisanscope
