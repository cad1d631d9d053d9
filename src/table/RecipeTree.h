#pragma once
// Compact storage for the recipe tree: items in flat arrays, labels as
// offsets into one byte pool. Millions of items cost 26 bytes each plus
// their label bytes once finished. Items are numbered from 1 in insertion
// order; item 0 is the invisible root.
//
// Filling appends; Finish() then builds the child index and gives back the
// arrays' spare capacity, after which Child() may be used. Inserting after
// Finish() is allowed and requires another Finish() before Child() is used
// again. DeleteAllItems() keeps the capacity for the next fill.
//
// When memory runs out an insert returns kNoTreeItem and the tree stays as it
// was; a Finish() that cannot get its memory leaves Child() answering
// kNoTreeItem.

#include "table/GrowableArray.h"
#include "table/RecipeTreeStore.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace artisanscope {

class RecipeTree final : public RecipeTreeStore {
public:
    // Throws std::bad_alloc when not even the root's few bytes can be had.
    RecipeTree();
    RecipeTree(const RecipeTree&) = default;
    RecipeTree& operator=(const RecipeTree&) = default;
    // A moved-from tree is left empty with its root's capacity, as new.
    RecipeTree(RecipeTree&& other) : RecipeTree() { Swap(other); }
    RecipeTree& operator=(RecipeTree&& other) noexcept {
        Swap(other);
        return *this;
    }

    void DeleteAllItems() noexcept override;
    TreeItem InsertItem(TreeItem parent, std::string_view label) override;
    void SetItemValue(TreeItem item, std::uint16_t value) override;
    void SetLanguage(Language language) override { language_ = language; }
    void FinishFilling() override { Finish(); }
    RecipeTree* FilledTree() override { return this; }

    void Finish();
    void Swap(RecipeTree& other) noexcept;

    // Number of items, the root not counted.
    std::size_t size() const { return parent_.size() - 1; }
    bool Contains(TreeItem item) const { return item < parent_.size(); }
    TreeItem Parent(TreeItem item) const { return parent_[item]; }
    std::uint32_t Row(TreeItem item) const { return row_[item]; }
    std::uint32_t ChildCount(TreeItem item) const { return childCount_[item]; }
    // The row-th child of item, or kNoTreeItem when out of range.
    TreeItem Child(TreeItem item, std::uint32_t row) const;
    std::string_view Label(TreeItem item) const;
    // The value set with SetItemValue (a pattern's level, an ingredient's
    // material id), 0 for unknown items.
    std::uint16_t Value(TreeItem item) const { return item < value_.size() ? value_[item] : 0; }
    Language language() const { return language_; }
    // The labels of all items back to back in item order, the root's empty
    // one first: item i's label is LabelBytes()[LabelBegin(i), LabelEnd(i)).
    std::string_view LabelBytes() const;
    std::uint32_t LabelBegin(TreeItem item) const { return labelStart_[item]; }
    std::uint32_t LabelEnd(TreeItem item) const { return labelStart_[item + 1]; }

    // Bytes held by the arrays and the label pool (capacity, not size).
    std::size_t MemoryBytes() const;

private:
    GrowableArray<TreeItem> parent_;
    GrowableArray<std::uint32_t> row_;
    GrowableArray<std::uint32_t> childCount_;
    GrowableArray<std::uint32_t> labelStart_;  // item i's label is pool_[labelStart_[i], labelStart_[i + 1])
    GrowableArray<char> pool_;
    GrowableArray<std::uint16_t> value_;
    GrowableArray<std::uint32_t> childStart_;  // built by Finish(): first index into children_
    GrowableArray<TreeItem> children_;
    Language language_ = Language::German;
    bool finished_ = true;
};

}  // namespace artisanscope
