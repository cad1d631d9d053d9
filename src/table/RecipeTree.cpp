#include "table/RecipeTree.h"

#include <limits>
#include <new>
#include <span>

namespace artisanscope {

RecipeTree::RecipeTree() {
    // The root's entries, reserved once: every later Clear, ShrinkToFit and
    // Swap (with another tree) keeps at least this capacity, so that
    // DeleteAllItems never needs memory.
    if (!parent_.Reserve(1) || !row_.Reserve(1) || !childCount_.Reserve(1) || !labelStart_.Reserve(2) ||
        !value_.Reserve(1)) {
        throw std::bad_alloc();
    }
    DeleteAllItems();
}

void RecipeTree::DeleteAllItems() noexcept {
    parent_.Clear();
    row_.Clear();
    childCount_.Clear();
    labelStart_.Clear();
    pool_.Clear();
    value_.Clear();
    childStart_.Clear();
    children_.Clear();
    // Within the capacity the constructor reserved: these cannot fail.
    parent_.PushBack(kTreeRoot);
    row_.PushBack(0);
    childCount_.PushBack(0);
    labelStart_.PushBack(0);
    labelStart_.PushBack(0);
    value_.PushBack(0);
    finished_ = false;
}

TreeItem RecipeTree::InsertItem(TreeItem parent, std::string_view label) {
    constexpr std::uint64_t kPoolLimit = std::numeric_limits<std::uint32_t>::max();
    if (parent >= parent_.size() || parent_.size() >= kNoTreeItem ||
        label.size() > kPoolLimit - pool_.size()) {
        return kNoTreeItem;
    }
    // Room first, so that a failure changes nothing.
    const std::size_t n = parent_.size() + 1;
    if (!parent_.Reserve(n) || !row_.Reserve(n) || !childCount_.Reserve(n) || !labelStart_.Reserve(n + 1) ||
        !pool_.Reserve(pool_.size() + label.size()) || !value_.Reserve(n)) {
        return kNoTreeItem;
    }
    const auto item = static_cast<TreeItem>(parent_.size());
    parent_.PushBackReserved(parent);
    row_.PushBackReserved(childCount_[parent]++);
    childCount_.PushBackReserved(0);
    pool_.AppendReserved(std::span<const char>(label.data(), label.size()));
    labelStart_.PushBackReserved(static_cast<std::uint32_t>(pool_.size()));
    value_.PushBackReserved(0);
    finished_ = false;
    return item;
}

void RecipeTree::SetItemValue(TreeItem item, std::uint16_t value) {
    if (item != kTreeRoot && item < value_.size()) value_[item] = value;
}

void RecipeTree::Finish() {
    if (finished_) return;
    // The fill is over: give back the spare capacity before the index takes
    // its own memory.
    parent_.ShrinkToFit();
    row_.ShrinkToFit();
    childCount_.ShrinkToFit();
    labelStart_.ShrinkToFit();
    pool_.ShrinkToFit();
    value_.ShrinkToFit();
    const std::size_t n = parent_.size();
    if (!childStart_.Assign(n, 0) || !children_.Assign(n - 1, kNoTreeItem)) {
        childStart_.Assign(0, 0);
        children_.Assign(0, kNoTreeItem);
        return;
    }
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < n; ++i) {
        childStart_[i] = next;
        next += childCount_[i];
    }
    for (std::size_t i = 1; i < n; ++i) children_[childStart_[parent_[i]] + row_[i]] = static_cast<TreeItem>(i);
    finished_ = true;
}

void RecipeTree::Swap(RecipeTree& other) noexcept {
    parent_.swap(other.parent_);
    row_.swap(other.row_);
    childCount_.swap(other.childCount_);
    labelStart_.swap(other.labelStart_);
    pool_.swap(other.pool_);
    value_.swap(other.value_);
    std::swap(language_, other.language_);
    childStart_.swap(other.childStart_);
    children_.swap(other.children_);
    std::swap(finished_, other.finished_);
}

TreeItem RecipeTree::Child(TreeItem item, std::uint32_t row) const {
    if (!finished_ || item >= parent_.size() || row >= childCount_[item]) return kNoTreeItem;
    return children_[childStart_[item] + row];
}

std::string_view RecipeTree::Label(TreeItem item) const {
    if (item == kTreeRoot || item >= parent_.size()) return {};
    const std::uint32_t begin = labelStart_[item];
    const std::span<const char> label = pool_.view().subspan(begin, labelStart_[item + 1] - begin);
    return std::string_view(label.data(), label.size());
}

std::string_view RecipeTree::LabelBytes() const {
    const std::span<const char> pool = pool_.view();
    return std::string_view(pool.data(), pool.size());
}

std::size_t RecipeTree::MemoryBytes() const {
    return parent_.capacity() * sizeof(TreeItem) + row_.capacity() * sizeof(std::uint32_t) +
           childCount_.capacity() * sizeof(std::uint32_t) + labelStart_.capacity() * sizeof(std::uint32_t) +
           pool_.capacity() + value_.capacity() * sizeof(std::uint16_t) + childStart_.capacity() * sizeof(std::uint32_t) +
           children_.capacity() * sizeof(TreeItem);
}

}  // namespace artisanscope
