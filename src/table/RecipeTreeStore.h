#pragma once
// The store the recipe walk fills: tree items by handle, each a code page
// 1252 label under its parent. The compact tree implements it; a view shows
// what it holds.

#include "recipes/Names.h"

#include <cstdint>
#include <string_view>

namespace artisanscope {

using TreeItem = std::uint32_t;
inline constexpr TreeItem kTreeRoot = 0;         // parent of the top-level items
inline constexpr TreeItem kNoTreeItem = 0xFFFFFFFFu;  // result of an insert under an unknown parent

class RecipeTree;

// The items of the recipe tree as the walk fills them; a view shows them.
class RecipeTreeStore {
public:
    virtual ~RecipeTreeStore() = default;
    // Removes every item.
    virtual void DeleteAllItems() = 0;
    // Appends a text-only item as the last child of parent (kTreeRoot for a
    // top-level item) and returns its handle. The label is code page 1252.
    virtual TreeItem InsertItem(TreeItem parent, std::string_view label) = 0;
    // The number find terms test besides the label: a pattern's stored
    // skill value, an ingredient's material id (0: none). Items are 0 until
    // set. A store that does not find may ignore it.
    virtual void SetItemValue(TreeItem /*item*/, std::uint16_t /*value*/) {}
    // The language the material names of the labels are in.
    virtual void SetLanguage(Language /*language*/) {}
    // Called once after every load that emptied the tree, when no more items
    // follow; a view may publish the filled tree here.
    virtual void FinishFilling() {}
    // The compact tree the store fills, if it keeps one: a load with a find
    // query filters it rather than filling a tree of its own.
    virtual RecipeTree* FilledTree() { return nullptr; }
};

// Depths in the recipe tree: realms are top-level items (depth 0), then
// skills, categories (and illegal category indices), patterns, ingredients.
inline constexpr int kPatternDepth = 3;

}  // namespace artisanscope
