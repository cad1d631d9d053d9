#pragma once
// The set of items a tree filtered by a find query shows, kept for a view
// to walk: the shown children of every item, in one array grouped by
// parent (at most 8 bytes per tree item for a non-empty query), and the
// navigation from one matching pattern to the next. The rule itself is
// described with FindQuery.

#include "find/FindQuery.h"
#include "table/GrowableArray.h"
#include "table/RecipeTreeStore.h"
#include "table/RecipeTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

class RecipeFilter {
public:
    // Shows the whole tree; bound to no tree until Apply().
    RecipeFilter() = default;

    // Computes the shown set of tree for query. The filter reads the tree
    // afterwards (it keeps a reference): the tree must be finished and stay
    // unchanged while the filter is used, and Apply() must run again after
    // every load. An empty query costs nothing. Returns false when memory
    // runs out; the filter then shows nothing.
    bool Apply(const RecipeTree& tree, const FindQuery& query);

    // Shows everything again (of the tree last applied to).
    void Reset();

    // A non-empty query is applied.
    bool active() const { return active_; }
    const RecipeTree* tree() const { return tree_; }

    // The filtered tree, answering like RecipeTree: the shown children of
    // item in the tree's order. Unknown items have none.
    bool IsShown(TreeItem item) const;
    std::uint32_t ShownChildCount(TreeItem item) const;
    // The row-th shown child, or kNoTreeItem.
    TreeItem ShownChild(TreeItem item, std::uint32_t row) const;
    // The row of a shown item among its parent's shown children, or
    // kNoShownRow when it is not shown.
    static constexpr std::uint32_t kNoShownRow = 0xFFFFFFFFu;
    std::uint32_t ShownRow(TreeItem item) const;

    // Patterns the filtered tree shows (with an active query, every shown
    // pattern is a matching one).
    std::size_t ShownPatternCount() const { return shownPatterns_; }
    // The first shown pattern after item in the tree's order (from an
    // ingredient: after its pattern), starting over at the top after the
    // last; from the root or an item not shown, the first. kNoTreeItem when
    // none is shown.
    TreeItem NextPattern(TreeItem item) const;
    // The same backwards; from an ingredient its own pattern.
    TreeItem PreviousPattern(TreeItem item) const;

    // Depth of an item: 0 for top-level items, -1 for the root.
    int Depth(TreeItem item) const;

    // Bytes the shown set takes (capacity), the tree not counted.
    std::size_t MemoryBytes() const;

private:
    // The shown children of item: a slice of shownChildren_.
    std::uint32_t GroupBegin(TreeItem item) const;
    std::uint32_t GroupEnd(TreeItem item) const;
    bool MarkMatches(const FindQuery& query, GrowableArray<std::uint64_t>& shown) const;
    bool MarkPatternValues(const FindQuery& query, GrowableArray<std::uint64_t>& shown) const;
    bool BuildGroups(const GrowableArray<std::uint64_t>& shown);
    std::size_t CountShownPatterns() const;
    TreeItem FirstPatternIn(TreeItem item, int depth) const;
    TreeItem LastPatternIn(TreeItem item, int depth) const;

    const RecipeTree* tree_ = nullptr;
    bool active_ = false;
    // With an active query: the shown children of every item, grouped by
    // parent in item order, each group in the tree's order. The root's group
    // comes first and holds rootCount_ items; item i's group ends at
    // groupEnd_[i - 1] and begins where item i - 1's ends.
    GrowableArray<TreeItem> shownChildren_;
    GrowableArray<std::uint32_t> groupEnd_;
    std::uint32_t rootCount_ = 0;
    std::size_t shownPatterns_ = 0;
};

// Lists the shown items from top down, depth first, one a line: top itself
// (unless it is the root) without indent, two more blanks for every level
// below it, the label in UTF-8, LF line ends. The text goes to write in
// blocks of about a MiB; false from write stops the listing and is returned.
bool ListShownItems(const RecipeFilter& filter, TreeItem top, const std::function<bool(std::string_view)>& write);

}  // namespace artisanscope
