#pragma once
// What the recipe walk needs of the dialog that shows the table: the store of
// its tree items, its English checkbox, its debug flag and its message box. The desktop
// dialog implements this; tests use a recording implementation.

#include "table/RecipeTreeStore.h"

#include <string_view>

namespace artisanscope {

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
