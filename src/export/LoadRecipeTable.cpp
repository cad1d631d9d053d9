#include "export/LoadRecipeTable.h"

#include "export/ExportWriter.h"
#include "export/RecipeWalk.h"
#include "export/TreeFiller.h"
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

// The walk into the tree and, when given, the writer's sink.
void WalkInto(RecipeDialog& dialog, const RecipeTableView& table, const WalkOptions& options, RecipeSink* writer) {
    TreeFiller treeFiller(dialog.treeStore(), options.debug);
    std::vector<RecipeSink*> sinks;
    if (dialog.treeStore().KeepsItems()) sinks.push_back(&treeFiller);
    if (writer != nullptr) sinks.push_back(writer);
    WalkRecipes(table, options, sinks);
}

}  // namespace

LoadResult LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, ExportWriter* writer) {
    RecipeTreeStore& tree = dialog.treeStore();
    tree.DeleteAllItems();
    FillingScope filling(tree);
    MpakRead read = ReadMpakMember(archivePath, kRecipeTableMember);
    if (!read) return {LoadStatus::ArchiveUnreadable, std::move(read.reason)};
    return LoadRecipeTableImage(dialog, std::move(read.member), writer);
}

LoadResult LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, ExportWriter* writer) {
    const MpakMember owned = std::move(image);  // released on every way out
    const Language language = LanguageOf(dialog);
    const bool debug = dialog.debugMode();
    const RecipeTableView table(ByteView(owned.bytes()), kLayout102);
    const std::uint32_t version = table.version();
    const VersionRule rule = VersionRuleFor(version);
    if (writer != nullptr) writer->Begin(ExportStart{version, language, debug, debug && rule != VersionRule::Legacy});

    switch (rule) {
        case VersionRule::Legacy:
            return WalkLegacyRecipeTable(dialog, owned.bytes(), writer);
        case VersionRule::Newer:
            dialog.ShowMessage(kNewerVersionMessage);
            break;
        case VersionRule::Current:
            break;
    }
    WalkInto(dialog, table, WalkOptions{language, debug, !debug}, writer);
    if (writer != nullptr) writer->End();
    return {};
}

LoadResult WalkLegacyRecipeTable(RecipeDialog& dialog, std::span<const std::uint8_t> image, ExportWriter* writer) {
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
    WalkInto(dialog, table, WalkOptions{LanguageOf(dialog), false, false}, walkWriter);
    if (writer != nullptr) writer->End();
    return {};
}

}  // namespace artisanscope
