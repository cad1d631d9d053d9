#pragma once
// What the recipe walk needs of the dialog that shows the table: the store of
// its tree items, its English checkbox, its debug flag and its message box. The desktop
// dialog implements this; tests use a recording implementation.

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
    // False for a view that drops whatever is inserted (the command line
    // without a display): the walk then builds no tree labels at all.
    virtual bool KeepsItems() const { return true; }
};

class RecipeDialog {
public:
    virtual ~RecipeDialog() = default;
    virtual RecipeTreeStore& treeStore() = 0;
    virtual bool IsEnglishNamesChecked() const = 0;
    virtual bool debugMode() const = 0;
    // A modal message box: OK button, exclamation icon, titled with the
    // application's name. Text is code page 1252 and may hold "\r\n".
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace artisanscope
