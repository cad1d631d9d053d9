#pragma once
// Fills the dialog's tree view during the walk: one item per shown realm,
// skill, category (and illegal category index), pattern and ingredient, with
// the normal or the debug labels. Labels keep the table's bytes unchanged.
// Patterns and ingredients also keep the values find terms test.
//
// Items are inserted in walk order, so on a tree that is empty at the start
// each gets the number the walk gives it. After an insert fails (memory ran
// out) nothing more is inserted: the tree then holds the walk's first items,
// each under its own number, and complete() turns false.

#include "io/TextCursor.h"
#include "table/RecipeTreeStore.h"
#include "table/RecipeWalk.h"

#include <string>

namespace artisanscope {

class TreeFiller final : public RecipeSink {
public:
    TreeFiller(RecipeTreeStore& tree, bool debugLabels) : tree_(tree), debug_(debugLabels) {}

    void Realm(TreeItem item, std::size_t realm, std::string_view name) override;
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(TreeItem item, std::size_t position, std::uint32_t index,
                         std::uint32_t categoryCount) override;
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override;

    // Every insert so far succeeded.
    bool complete() const { return complete_; }

private:
    // A cursor over label_, made at least n bytes long: it only grows, so
    // that filling a label never clears bytes first.
    TextCursor LabelRoom(std::size_t n) {
        if (label_.size() < n) label_.resize(n);
        return TextCursor(std::span<char>(label_));
    }

    // Inserts unless an earlier insert failed; kNoTreeItem after a failure.
    TreeItem Insert(TreeItem parent, std::string_view label);

    RecipeTreeStore& tree_;
    const bool debug_;
    bool complete_ = true;
    std::string label_;
    TreeItem realm_ = kNoTreeItem;
    TreeItem skill_ = kNoTreeItem;
    TreeItem category_ = kNoTreeItem;
};

}  // namespace artisanscope
