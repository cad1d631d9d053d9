#include "export/LoadRecipeTable.h"

#include "export/RecipeWalk.h"
#include "export/TextExport.h"
#include "export/TreeFiller.h"
#include "export/XmlExport.h"
#include "recipes/RecipeTable.h"

#include <tinyxml.h>

#include <optional>
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

}  // namespace

bool LoadRecipeTable(RecipeDialog& dialog, const std::string& archivePath, std::FILE* textFile,
                     TiXmlDocument* document) {
    RecipeTreeStore& tree = dialog.treeStore();
    tree.DeleteAllItems();
    FillingScope filling(tree);
    MpakMember image = ReadMpakMember(archivePath, kRecipeTableMember);
    if (!image) return false;
    return LoadRecipeTableImage(dialog, std::move(image), textFile, document);
}

bool LoadRecipeTableImage(RecipeDialog& dialog, MpakMember image, std::FILE* textFile, TiXmlDocument* document) {
    const Language language = LanguageOf(dialog);
    const bool debug = dialog.debugMode();
    if (textFile != nullptr) WriteTextHeader(textFile, debug);
    if (document != nullptr) BeginXmlDocument(*document);

    const RecipeTableView table(ByteView(image.bytes()), kLayout102);
    switch (VersionRuleFor(table.version())) {
        case VersionRule::Legacy:
            return WalkLegacyRecipeTable(dialog, std::move(image), textFile, document);
        case VersionRule::Newer:
            dialog.ShowMessage(kNewerVersionMessage);
            break;
        case VersionRule::Current:
            break;
    }

    TreeFiller treeFiller(dialog.treeStore(), debug);
    std::optional<XmlExport> xml;
    if (document != nullptr) xml.emplace(*document, debug);
    std::optional<TextExport> text;
    if (textFile != nullptr) text.emplace(textFile, debug);

    std::vector<RecipeSink*> sinks;
    if (dialog.treeStore().KeepsItems()) sinks.push_back(&treeFiller);
    if (xml) sinks.push_back(&*xml);
    if (text) sinks.push_back(&*text);
    WalkRecipes(table, WalkOptions{language, debug, !debug}, sinks);
    return true;
}

bool WalkLegacyRecipeTable(RecipeDialog& dialog, MpakMember image, std::FILE* textFile, TiXmlDocument* document) {
    const MpakMember owned = std::move(image);  // released on every way out
    if (document != nullptr) dialog.ShowMessage(kLegacyXmlMessage);
    const RecipeTableView table(ByteView(owned.bytes()), kLayout101);
    if (table.version() != kLegacyTableVersion) {
        dialog.ShowMessage(kOldVersionMessage);
        return false;
    }
    TreeFiller treeFiller(dialog.treeStore(), false);
    std::optional<TextExport> text;
    if (textFile != nullptr) text.emplace(textFile, false);
    std::vector<RecipeSink*> sinks;
    if (dialog.treeStore().KeepsItems()) sinks.push_back(&treeFiller);
    if (text) sinks.push_back(&*text);
    WalkRecipes(table, WalkOptions{LanguageOf(dialog), false, false}, sinks);
    return true;
}

}  // namespace artisanscope
