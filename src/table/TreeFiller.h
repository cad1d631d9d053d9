#pragma once
// Fills the dialog's tree view during the walk: one item per shown realm,
// skill, category (and illegal category index), pattern and ingredient, with
// the normal or the debug labels. Labels keep the table's bytes unchanged.
// Patterns and ingredients also keep the values find terms test.

#include "io/TextCursor.h"
#include "table/RecipeTreeStore.h"
#include "table/RecipeWalk.h"

#include <string>

namespace artisanscope {

class TreeFiller final : public RecipeSink {
public:
    TreeFiller(RecipeTreeStore& tree, bool debugLabels) : tree_(tree), debug_(debugLabels) {}

    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t position, std::uint32_t index, std::uint32_t categoryCount) override;
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

private:
    // A cursor over label_, made at least n bytes long: it only grows, so
    // that filling a label never clears bytes first.
    TextCursor LabelRoom(std::size_t n) {
        if (label_.size() < n) label_.resize(n);
        return TextCursor(std::span<char>(label_));
    }

    RecipeTreeStore& tree_;
    const bool debug_;
    std::string label_;
    TreeItem realm_ = kNoTreeItem;
    TreeItem skill_ = kNoTreeItem;
    TreeItem category_ = kNoTreeItem;
};

}  // namespace artisanscope
