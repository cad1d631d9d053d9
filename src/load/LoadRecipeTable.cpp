#include "load/LoadRecipeTable.h"

#include "find/RecipeFilter.h"
#include "find/ShownItemsSink.h"
#include "load/ExportWriter.h"
#include "recipes/RecipeTable.h"
#include "table/RecipeTree.h"
#include "table/RecipeWalk.h"
#include "table/TreeFiller.h"

#include <new>
#include <optional>
#include <vector>

namespace artisanscope {
namespace {

// Tells the tree store that filling is over, on every way out of a load.
class FillingScope {
public:
    explicit FillingScope(RecipeTreeStore* tree) : tree_(tree) {}
    ~FillingScope() {
        if (tree_ != nullptr) tree_->FinishFilling();
    }
    FillingScope(const FillingScope&) = delete;
    FillingScope& operator=(const FillingScope&) = delete;

private:
    RecipeTreeStore* tree_;
};

void Show(const LoadOptions& options, std::string_view text) {
    if (options.messages) options.messages(text);
}

bool Filtered(const LoadOptions& options) { return options.find != nullptr && !options.find->empty(); }

// The walk into the tree and, when given, the writer's sink. With a find
// query the writer gets the shown items only, in a walk of its own after the
// shown set is known: matching a pattern asks for the labels of its
// ancestors and ingredients, which the filter reads from the finished tree.
// The caller's tree serves when the store keeps one and is empty; otherwise
// a tree of the load's own. Calls the writer's End after the walk, when
// given.
LoadResult WalkInto(const LoadOptions& options, const RecipeTableView& table, const WalkOptions& walk,
                    RecipeSink* walkWriter) {
    std::vector<RecipeSink*> sinks;
    std::optional<TreeFiller> treeFiller;
    if (options.tree != nullptr) {
        options.tree->SetLanguage(walk.language);
        sinks.push_back(&treeFiller.emplace(*options.tree, walk.debug));
    }
    if (options.alongside != nullptr) sinks.push_back(options.alongside);
    if (walkWriter == nullptr || !Filtered(options)) {
        if (walkWriter != nullptr) sinks.push_back(walkWriter);
        WalkRecipes(table, walk, sinks);
    } else {
        RecipeTree* tree = options.tree != nullptr ? options.tree->FilledTree() : nullptr;
        std::optional<RecipeTree> ownTree;
        std::optional<TreeFiller> ownFiller;
        TreeFiller* filler = treeFiller ? &*treeFiller : nullptr;
        if (tree == nullptr || tree->size() != 0) {
            tree = &ownTree.emplace();
            tree->SetLanguage(walk.language);
            filler = &ownFiller.emplace(*tree, walk.debug);
            sinks.push_back(filler);
        }
        WalkRecipes(table, walk, sinks);
        // A tree that lacks items would hide what it lacks.
        if (!filler->complete()) return {LoadStatus::OutOfMemory, {}};
        tree->Finish();
        RecipeFilter filter;
        if (!filter.Apply(*tree, *options.find)) return {LoadStatus::OutOfMemory, {}};
        ShownItemsSink shown(filter, *walkWriter);
        RecipeSink* const shownSinks[] = {&shown};
        WalkRecipes(table, walk, shownSinks);
    }
    if (options.writer != nullptr) options.writer->End();
    return {};
}

}  // namespace

LoadResult LoadRecipeTable(const std::string& archivePath, const LoadOptions& options) {
    try {
        if (options.tree != nullptr) options.tree->DeleteAllItems();
        FillingScope filling(options.tree);
        MpakRead read = ReadMpakMember(archivePath, kRecipeTableMember);
        if (!read) return {LoadStatus::ArchiveUnreadable, std::move(read.reason)};
        return LoadRecipeTableImage(std::move(read.member), options);
    } catch (const std::bad_alloc&) {
        return {LoadStatus::OutOfMemory, {}};
    }
}

LoadResult LoadRecipeTableImage(MpakMember image, const LoadOptions& options) {
    const MpakMember owned = std::move(image);  // released on every way out
    const RecipeTableView table(ByteView(owned.bytes()), kLayout102);
    const std::uint32_t version = table.version();
    const VersionRule rule = VersionRuleFor(version);
    if (options.writer != nullptr) {
        options.writer->Begin(
            ExportStart{version, options.language, options.debug, options.debug && rule != VersionRule::Legacy});
    }

    switch (rule) {
        case VersionRule::Legacy:
            return WalkLegacyRecipeTable(owned.bytes(), options);
        case VersionRule::Newer:
            Show(options, kNewerVersionMessage);
            break;
        case VersionRule::Current:
            break;
    }
    return WalkInto(options, table, WalkOptions{options.language, options.debug, !options.debug}, options.writer);
}

LoadResult WalkLegacyRecipeTable(std::span<const std::uint8_t> image, const LoadOptions& options) {
    ExportWriter* walkWriter = options.writer;
    if (walkWriter != nullptr && !walkWriter->TakesLegacyTables()) {
        Show(options, kLegacyXmlMessage);
        walkWriter = nullptr;
    }
    const RecipeTableView table(ByteView(image), kLayout101);
    if (table.version() != kLegacyTableVersion) {
        Show(options, kOldVersionMessage);
        return {LoadStatus::VersionRefused, {}};
    }
    return WalkInto(options, table, WalkOptions{options.language, false, false}, walkWriter);
}

}  // namespace artisanscope
