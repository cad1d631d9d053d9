#pragma once
// The store the recipe walk fills: tree items by handle, each a code page
// 1252 label under its parent. The compact tree implements it; a view shows
// what it holds.

#include <cstdint>
#include <string_view>

namespace artisanscope {

using TreeItem = std::uint32_t;
inline constexpr TreeItem kTreeRoot = 0;         // parent of the top-level items
inline constexpr TreeItem kNoTreeItem = 0xFFFFFFFFu;  // result of an insert under an unknown parent

// The items of the recipe tree as the walk fills them; a view shows them.
class RecipeTreeStore {
public:
    virtual ~RecipeTreeStore() = default;
    // Removes every item.
    virtual void DeleteAllItems() = 0;
    // Appends a text-only item as the last child of parent (kTreeRoot for a
    // top-level item) and returns its handle. The label is code page 1252.
    virtual TreeItem InsertItem(TreeItem parent, std::string_view label) = 0;
    // Called once after every load that emptied the tree, when no more items
    // follow; a view may publish the filled tree here.
    virtual void FinishFilling() {}
};

// Depths in the recipe tree: realms are top-level items (depth 0), then
// skills, categories (and illegal category indices), patterns, ingredients.
inline constexpr int kPatternDepth = 3;

}  // namespace artisanscope
