#pragma once
// A RecipeDialog for tests: keeps the tree in a core RecipeTree and records
// every message box text.

#include "load/RecipeDialog.h"
#include "table/RecipeTree.h"

#include <string>
#include <utility>
#include <vector>

namespace artisanscope::testing {

class RecordingDialog final : public RecipeDialog {
public:
    RecordingDialog(bool english = false, bool debug = false) : english_(english), debug_(debug) {}

    RecipeTreeStore& treeStore() override { return tree; }
    bool IsEnglishNamesChecked() const override { return english_; }
    bool debugMode() const override { return debug_; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }

    // (depth, label) of every item, depth first; depth 0 is a realm.
    std::vector<std::pair<int, std::string>> Rows() const { return tree.Rows(); }

    RecipeTree tree;
    std::vector<std::string> messages;

private:
    bool english_;
    bool debug_;
};

}  // namespace artisanscope::testing
