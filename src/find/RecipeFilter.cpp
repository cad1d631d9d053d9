#include "find/RecipeFilter.h"

#include "io/Cp1252.h"

#include <algorithm>
#include <cstring>

namespace artisanscope {
namespace {

void ClearBit(GrowableArray<std::uint64_t>& bits, TreeItem item) { bits[item / 64] &= ~(std::uint64_t{1} << (item % 64)); }
void SetBit(GrowableArray<std::uint64_t>& bits, TreeItem item) { bits[item / 64] |= std::uint64_t{1} << (item % 64); }
bool TestBit(const GrowableArray<std::uint64_t>& bits, TreeItem item) {
    return (bits[item / 64] >> (item % 64)) & 1u;
}

// Calls visit(pattern) for every pattern of tree, in the tree's order; false
// when the tree has no child index.
template <typename Visit>
bool ForEachPattern(const RecipeTree& tree, TreeItem item, int depth, Visit& visit) {
    for (std::uint32_t row = 0; row < tree.ChildCount(item); ++row) {
        const TreeItem child = tree.Child(item, row);
        if (child == kNoTreeItem) return false;
        if (depth + 1 == kPatternDepth) {
            visit(child);
        } else if (!ForEachPattern(tree, child, depth + 1, visit)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RecipeFilter::Apply(const RecipeTree& tree, const FindQuery& query) {
    tree_ = &tree;
    active_ = !query.empty();
    rootCount_ = 0;
    shownPatterns_ = 0;
    if (!active_) {
        shownChildren_.Assign(0, 0);
        groupEnd_.Assign(0, 0);
        shownPatterns_ = CountShownPatterns();
        return true;
    }
    // The arrays of the last query keep their pages until BuildGroups sizes
    // them anew: touching fresh memory costs more than the work done in it.
    // Nothing is shown until the new groups stand.
    groupEnd_.Clear();
    // One bit per item, the root's included: first "matches", then "shown".
    GrowableArray<std::uint64_t> shown;
    if (!shown.Assign(tree.size() / 64 + 1, query.matchesNothing ? 0 : ~std::uint64_t{0})) return false;
    if (!query.matchesNothing && !MarkMatches(query, shown)) return false;
    ClearBit(shown, kTreeRoot);
    // A parent's number is below its children's, so one pass in item order
    // shows everything below a match and one pass backwards every ancestor.
    const std::size_t n = tree.size();
    for (TreeItem item = 1; item <= n; ++item) {
        if (TestBit(shown, tree.Parent(item))) SetBit(shown, item);
    }
    for (TreeItem item = static_cast<TreeItem>(n); item >= 1; --item) {
        if (TestBit(shown, item)) SetBit(shown, tree.Parent(item));
    }
    ClearBit(shown, kTreeRoot);
    if (!BuildGroups(shown)) return false;
    shownPatterns_ = CountShownPatterns();
    return true;
}

// Clears the bit of every item that does not match. Terms are taken eight at
// a time, one bit each in a byte per item: both rules ask for every term, so
// an item matches when it matches each group of eight.
bool RecipeFilter::MarkMatches(const FindQuery& query, GrowableArray<std::uint64_t>& shown) const {
    constexpr std::size_t kTermsAtOnce = 8;
    // Labels are folded in blocks of whole labels of about this many bytes.
    constexpr std::size_t kBlockBytes = 64 * 1024;
    const RecipeTree& tree = *tree_;
    const std::size_t n = tree.size();
    if (query.patternsOnly() && !MarkPatternValues(query, shown)) return false;
    const std::string_view labels = tree.LabelBytes();
    GrowableArray<std::uint8_t> terms;  // per item: the terms found, later with its ancestors'
    std::string folded;
    const std::span<const std::string> all(query.terms);
    for (std::size_t first = 0; first < all.size(); first += kTermsAtOnce) {
        const std::span<const std::string> chunk = all.subspan(first, std::min(kTermsAtOnce, all.size() - first));
        const auto every = static_cast<std::uint8_t>((1u << chunk.size()) - 1);
        if (!terms.Assign(n + 1, 0)) return false;
        std::vector<TermFinder> finders(chunk.begin(), chunk.end());

        // 1. Each label's own terms. A block's labels are folded together and
        // searched term by term; a find that runs into the next label is none.
        for (TreeItem blockFirst = 1; blockFirst <= n;) {
            const std::uint32_t begin = tree.LabelBegin(blockFirst);
            TreeItem blockLast = blockFirst;
            while (blockLast < n && tree.LabelEnd(blockLast + 1) - begin <= kBlockBytes) ++blockLast;
            const std::string_view block = labels.substr(begin, tree.LabelEnd(blockLast) - begin);
            FoldInto(folded, block);
            const std::string_view view(folded);
            for (std::size_t t = 0; t < chunk.size(); ++t) {
                const std::string_view term = chunk[t];
                TreeItem item = blockFirst;
                const TermFinder& finder = finders[t];
                for (std::size_t at = finder.Find(view, 0); at != std::string_view::npos; at = finder.Find(view, at)) {
                    while (tree.LabelEnd(item) - begin <= at) ++item;
                    const std::size_t labelEnd = tree.LabelEnd(item) - begin;
                    if (at + term.size() <= labelEnd) terms[item] |= static_cast<std::uint8_t>(1u << t);
                    at = labelEnd;  // one find per label is enough; a later one would run over as well
                }
            }
            blockFirst = blockLast + 1;
        }

        // 2. A pattern whose terms, its ancestors' and its ingredients' hold
        // every term matches, and with it everything below: its entry becomes
        // every term, which the next step passes down to its ingredients.
        auto visit = [&](auto&& self, TreeItem item, int depth, std::uint8_t above) -> bool {
            for (std::uint32_t row = 0; row < tree.ChildCount(item); ++row) {
                const TreeItem child = tree.Child(item, row);
                if (child == kNoTreeItem) return false;  // the tree has no child index
                const auto withChild = static_cast<std::uint8_t>(above | terms[child]);
                if (depth + 1 < kPatternDepth) {
                    if (!self(self, child, depth + 1, withChild)) return false;
                    continue;
                }
                std::uint8_t cover = withChild;
                for (std::uint32_t k = 0; k < tree.ChildCount(child); ++k) {
                    const TreeItem ingredient = tree.Child(child, k);
                    if (ingredient == kNoTreeItem) return false;
                    cover = static_cast<std::uint8_t>(cover | terms[ingredient]);
                }
                if (cover == every) terms[child] = every;
            }
            return true;
        };
        if (!visit(visit, kTreeRoot, -1, 0)) return false;

        // 3. Every item with its ancestors' terms; a parent's number is below
        // its children's.
        for (TreeItem item = 1; item <= n; ++item) {
            terms[item] = static_cast<std::uint8_t>(terms[item] | terms[tree.Parent(item)]);
            if (terms[item] != every) ClearBit(shown, item);
        }
    }
    return true;
}

// With a level or a material term: leaves the bits of the patterns whose
// level and material terms hold, clears all others.
bool RecipeFilter::MarkPatternValues(const FindQuery& query, GrowableArray<std::uint64_t>& shown) const {
    const RecipeTree& tree = *tree_;
    std::vector<MaterialIdSet> materials;
    materials.reserve(query.materials.size());
    for (const std::string& name : query.materials) materials.push_back(MaterialIdsNamed(tree.language(), name));
    for (std::size_t i = 0; i < shown.size(); ++i) shown[i] = 0;
    auto visit = [&](TreeItem pattern) {
        const std::uint16_t level = tree.Value(pattern);
        if (query.hasLevel && (level < query.levelMin || level > query.levelMax)) return;
        for (const MaterialIdSet& ids : materials) {
            bool taken = false;
            for (std::uint32_t k = 0; k < tree.ChildCount(pattern) && !taken; ++k) {
                const std::uint16_t id = tree.Value(tree.Child(pattern, k));
                taken = id != 0 && ids.test(id);
            }
            if (!taken) return;
        }
        SetBit(shown, pattern);
    };
    return ForEachPattern(tree, kTreeRoot, -1, visit);
}

bool RecipeFilter::BuildGroups(const GrowableArray<std::uint64_t>& shown) {
    const RecipeTree& tree = *tree_;
    const std::size_t n = tree.size();
    if (!groupEnd_.Assign(n, 0)) return false;
    // Count the shown children of each item, then turn the counts into the
    // beginning of each group, then place the children, which leaves each
    // item's entry at the end of its group.
    for (TreeItem item = 1; item <= n; ++item) {
        if (!TestBit(shown, item)) continue;
        const TreeItem parent = tree.Parent(item);
        if (parent == kTreeRoot) {
            ++rootCount_;
        } else {
            ++groupEnd_[parent - 1];
        }
    }
    std::uint32_t next = rootCount_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t count = groupEnd_[i];
        groupEnd_[i] = next;
        next += count;
    }
    if (!shownChildren_.Assign(next, kNoTreeItem)) {
        groupEnd_.Assign(0, 0);
        rootCount_ = 0;
        return false;
    }
    std::uint32_t rootNext = 0;
    for (TreeItem item = 1; item <= n; ++item) {
        if (!TestBit(shown, item)) continue;
        const TreeItem parent = tree.Parent(item);
        shownChildren_[parent == kTreeRoot ? rootNext++ : groupEnd_[parent - 1]++] = item;
    }
    return true;
}

void RecipeFilter::Reset() {
    if (tree_ != nullptr) Apply(*tree_, FindQuery{});
}

std::uint32_t RecipeFilter::GroupBegin(TreeItem item) const {
    if (item == kTreeRoot) return 0;
    return item == 1 ? rootCount_ : groupEnd_[item - 2];
}

std::uint32_t RecipeFilter::GroupEnd(TreeItem item) const {
    return item == kTreeRoot ? rootCount_ : groupEnd_[item - 1];
}

std::uint32_t RecipeFilter::ShownChildCount(TreeItem item) const {
    if (tree_ == nullptr || !tree_->Contains(item)) return 0;
    if (!active_) return tree_->ChildCount(item);
    if (groupEnd_.size() != tree_->size()) return 0;  // nothing shown after a failed Apply
    return GroupEnd(item) - GroupBegin(item);
}

TreeItem RecipeFilter::ShownChild(TreeItem item, std::uint32_t row) const {
    if (row >= ShownChildCount(item)) return kNoTreeItem;
    if (!active_) return tree_->Child(item, row);
    return shownChildren_[GroupBegin(item) + row];
}

std::uint32_t RecipeFilter::ShownRow(TreeItem item) const {
    if (tree_ == nullptr || item == kTreeRoot || !tree_->Contains(item)) return kNoShownRow;
    if (!active_) return tree_->Row(item);
    const TreeItem parent = tree_->Parent(item);
    const std::uint32_t count = ShownChildCount(parent);
    if (count == 0) return kNoShownRow;
    const std::span<const TreeItem> group = shownChildren_.view().subspan(GroupBegin(parent), count);
    const auto found = std::lower_bound(group.begin(), group.end(), item);
    if (found == group.end() || *found != item) return kNoShownRow;
    return static_cast<std::uint32_t>(found - group.begin());
}

bool RecipeFilter::IsShown(TreeItem item) const {
    if (tree_ == nullptr || !tree_->Contains(item)) return false;
    return item == kTreeRoot || ShownRow(item) != kNoShownRow;
}

int RecipeFilter::Depth(TreeItem item) const {
    if (tree_ == nullptr || !tree_->Contains(item)) return -1;
    int depth = -1;
    while (item != kTreeRoot) {
        item = tree_->Parent(item);
        ++depth;
    }
    return depth;
}

std::size_t RecipeFilter::CountShownPatterns() const {
    // Patterns are the children of the items one level up.
    std::size_t count = 0;
    std::vector<std::pair<TreeItem, int>> stack{{kTreeRoot, -1}};
    while (!stack.empty()) {
        const auto [item, depth] = stack.back();
        stack.pop_back();
        const std::uint32_t children = ShownChildCount(item);
        if (depth == kPatternDepth - 1) {
            count += children;
            continue;
        }
        for (std::uint32_t row = 0; row < children; ++row) stack.emplace_back(ShownChild(item, row), depth + 1);
    }
    return count;
}

TreeItem RecipeFilter::FirstPatternIn(TreeItem item, int depth) const {
    for (std::uint32_t row = 0; row < ShownChildCount(item); ++row) {
        const TreeItem child = ShownChild(item, row);
        if (depth + 1 == kPatternDepth) return child;
        const TreeItem found = FirstPatternIn(child, depth + 1);
        if (found != kNoTreeItem) return found;
    }
    return kNoTreeItem;
}

TreeItem RecipeFilter::LastPatternIn(TreeItem item, int depth) const {
    for (std::uint32_t row = ShownChildCount(item); row-- > 0;) {
        const TreeItem child = ShownChild(item, row);
        if (depth + 1 == kPatternDepth) return child;
        const TreeItem found = LastPatternIn(child, depth + 1);
        if (found != kNoTreeItem) return found;
    }
    return kNoTreeItem;
}

TreeItem RecipeFilter::NextPattern(TreeItem item) const {
    if (!IsShown(item) || item == kTreeRoot) return FirstPatternIn(kTreeRoot, -1);
    int depth = Depth(item);
    while (depth > kPatternDepth) {
        item = tree_->Parent(item);
        --depth;
    }
    if (depth < kPatternDepth) {
        const TreeItem below = FirstPatternIn(item, depth);
        if (below != kNoTreeItem) return below;
    }
    // The following siblings of the item and of each ancestor.
    for (; item != kTreeRoot; item = tree_->Parent(item), --depth) {
        const TreeItem parent = tree_->Parent(item);
        for (std::uint32_t row = ShownRow(item) + 1; row < ShownChildCount(parent); ++row) {
            const TreeItem sibling = ShownChild(parent, row);
            if (depth == kPatternDepth) return sibling;
            const TreeItem found = FirstPatternIn(sibling, depth);
            if (found != kNoTreeItem) return found;
        }
    }
    return FirstPatternIn(kTreeRoot, -1);
}

TreeItem RecipeFilter::PreviousPattern(TreeItem item) const {
    if (!IsShown(item) || item == kTreeRoot) return LastPatternIn(kTreeRoot, -1);
    int depth = Depth(item);
    if (depth > kPatternDepth) {
        while (depth > kPatternDepth) {
            item = tree_->Parent(item);
            --depth;
        }
        return item;
    }
    for (; item != kTreeRoot; item = tree_->Parent(item), --depth) {
        const TreeItem parent = tree_->Parent(item);
        for (std::uint32_t row = ShownRow(item); row-- > 0;) {
            const TreeItem sibling = ShownChild(parent, row);
            if (depth == kPatternDepth) return sibling;
            const TreeItem found = LastPatternIn(sibling, depth);
            if (found != kNoTreeItem) return found;
        }
    }
    return LastPatternIn(kTreeRoot, -1);
}

std::size_t RecipeFilter::MemoryBytes() const {
    return shownChildren_.capacity() * sizeof(TreeItem) + groupEnd_.capacity() * sizeof(std::uint32_t);
}

bool ListShownItems(const RecipeFilter& filter, TreeItem top, const std::function<bool(std::string_view)>& write) {
    constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    if (filter.tree() == nullptr || !filter.IsShown(top)) return true;
    std::string block;
    block.reserve(kBlockBytes + 4096);
    // The path from top to the item being listed: each level's item and the
    // row of its next shown child.
    std::vector<std::pair<TreeItem, std::uint32_t>> path{{top, 0}};
    if (top != kTreeRoot) {
        AppendCp1252AsUtf8(block, filter.tree()->Label(top));
        block += '\n';
    }
    const std::size_t firstIndent = top == kTreeRoot ? 0 : 1;
    while (!path.empty()) {
        auto& [parent, row] = path.back();
        if (row >= filter.ShownChildCount(parent)) {
            path.pop_back();
            continue;
        }
        const TreeItem item = filter.ShownChild(parent, row++);
        if (item == kNoTreeItem) break;  // the tree has no child index
        block.append(2 * (path.size() - 1 + firstIndent), ' ');
        AppendCp1252AsUtf8(block, filter.tree()->Label(item));
        block += '\n';
        path.emplace_back(item, 0);
        if (block.size() >= kBlockBytes) {
            if (!write(block)) return false;
            block.clear();
        }
    }
    return block.empty() || write(block);
}

}  // namespace artisanscope
