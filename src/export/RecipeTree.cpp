#include "export/RecipeTree.h"

#include <limits>

namespace artisanscope {

RecipeTree::RecipeTree() { DeleteAllItems(); }

void RecipeTree::DeleteAllItems() {
    parent_.assign(1, kTreeRoot);
    row_.assign(1, 0);
    childCount_.assign(1, 0);
    labelStart_.assign(2, 0);
    pool_.clear();
    childStart_.clear();
    children_.clear();
    finished_ = false;
}

TreeItem RecipeTree::InsertItem(TreeItem parent, std::string_view label) {
    constexpr std::uint64_t kPoolLimit = std::numeric_limits<std::uint32_t>::max();
    if (parent >= parent_.size() || parent_.size() >= kNoTreeItem ||
        pool_.size() + label.size() > kPoolLimit) {
        return kNoTreeItem;
    }
    const auto item = static_cast<TreeItem>(parent_.size());
    parent_.push_back(parent);
    row_.push_back(childCount_[parent]++);
    childCount_.push_back(0);
    pool_.append(label);
    labelStart_.push_back(static_cast<std::uint32_t>(pool_.size()));
    finished_ = false;
    return item;
}

void RecipeTree::Finish() {
    if (finished_) return;
    const std::size_t n = parent_.size();
    childStart_.resize(n);
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < n; ++i) {
        childStart_[i] = next;
        next += childCount_[i];
    }
    children_.resize(next);
    for (std::size_t i = 1; i < n; ++i) children_[childStart_[parent_[i]] + row_[i]] = static_cast<TreeItem>(i);
    finished_ = true;
}

void RecipeTree::Swap(RecipeTree& other) noexcept {
    parent_.swap(other.parent_);
    row_.swap(other.row_);
    childCount_.swap(other.childCount_);
    labelStart_.swap(other.labelStart_);
    pool_.swap(other.pool_);
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
    return std::string_view(pool_).substr(begin, labelStart_[item + 1] - begin);
}

std::size_t RecipeTree::MemoryBytes() const {
    return parent_.capacity() * sizeof(TreeItem) + row_.capacity() * sizeof(std::uint32_t) +
           childCount_.capacity() * sizeof(std::uint32_t) + labelStart_.capacity() * sizeof(std::uint32_t) +
           pool_.capacity() + childStart_.capacity() * sizeof(std::uint32_t) +
           children_.capacity() * sizeof(TreeItem);
}

std::vector<std::pair<int, std::string>> RecipeTree::Rows() const {
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::pair<TreeItem, int>> stack;
    // Children are found through parent links so that Rows() works unfinished.
    std::vector<std::vector<TreeItem>> kids(parent_.size());
    for (std::size_t i = 1; i < parent_.size(); ++i) kids[parent_[i]].push_back(static_cast<TreeItem>(i));
    for (auto it = kids[0].rbegin(); it != kids[0].rend(); ++it) stack.emplace_back(*it, 0);
    while (!stack.empty()) {
        const auto [item, depth] = stack.back();
        stack.pop_back();
        rows.emplace_back(depth, std::string(Label(item)));
        for (auto it = kids[item].rbegin(); it != kids[item].rend(); ++it) stack.emplace_back(*it, depth + 1);
    }
    return rows;
}

}  // namespace artisanscope
