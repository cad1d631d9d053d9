#pragma once
// Finding recipes in the tree: a query of terms, the folding under which
// terms and labels are compared, and the set of items a filtered tree shows.
//
// The rule. A query is split at white space into terms. A term matches a
// label when the folded label contains the folded term; folding makes the
// upper and lower case of code page 1252 letters equal and takes accented
// letters to their base letter (ä, Ä, à, Å -> a; É -> e; Ç -> c; ß stays ß).
// An item matches when every term matches its own label or one of its
// ancestors' labels; a pattern (an item at kPatternDepth) also matches when
// every term matches among its own label, its ancestors' labels and the
// labels of its children, the ingredients. The filtered tree shows every
// matching item, all its ancestors and everything below it, in the tree's
// order. An empty query shows everything.
//
// The labels are the tree's own (debug labels in debug mode, the "ILLEGAL
// INDEX" items), folded on the fly through a 256-byte table: the filter keeps
// no copy of them. What it keeps for a non-empty query is the shown children
// of every item, in one array grouped by parent: at most 8 bytes per tree
// item.

#include "export/GrowableArray.h"
#include "export/RecipeDialog.h"
#include "export/RecipeTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

// Depths in the recipe tree: realms are top-level items (depth 0), then
// skills, categories (and illegal category indices), patterns, ingredients.
inline constexpr int kPatternDepth = 3;

// A byte of code page 1252 folded: lower case, accents taken off the letters
// that have a base letter. Bytes that are no letters stay as they are.
unsigned char FoldCp1252(unsigned char byte);

// Whether label (code page 1252) contains term, both compared folded; term
// must already be folded. An empty term is contained in every label.
bool FoldedContains(std::string_view label, std::string_view foldedTerm);

struct FindQuery {
    // The terms in code page 1252, folded, without duplicates, in the order
    // first given.
    std::vector<std::string> terms;
    // A term holds a character that code page 1252 cannot write (or bytes
    // that are not UTF-8): no label can contain it, so nothing matches.
    bool matchesNothing = false;

    // A query typed by a user or given on the command line, in UTF-8. White
    // space (blank, tab, line ends, no-break space) separates terms.
    static FindQuery FromUtf8(std::string_view text);

    // No terms: the whole tree is shown.
    bool empty() const { return terms.empty() && !matchesNothing; }
};

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
