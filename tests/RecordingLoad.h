#pragma once
// What a test's load fills and hears: a core RecipeTree and every message
// box text, with the language and debug mode the load runs under.

#include "load/LoadRecipeTable.h"
#include "table/RecipeTree.h"

#include <string>
#include <utility>
#include <vector>

namespace artisanscope::testing {

// (depth, label) of every item of tree, depth first; depth 0 is a realm.
// Children are found through parent links, so an unfinished tree will do.
inline std::vector<std::pair<int, std::string>> RowsOf(const RecipeTree& tree) {
    std::vector<std::vector<TreeItem>> children(tree.size() + 1);
    for (TreeItem item = 1; item <= tree.size(); ++item) children[tree.Parent(item)].push_back(item);
    std::vector<std::pair<int, std::string>> rows;
    auto visit = [&](auto&& self, TreeItem item, int depth) -> void {
        for (const TreeItem child : children[item]) {
            rows.emplace_back(depth, std::string(tree.Label(child)));
            self(self, child, depth + 1);
        }
    };
    visit(visit, kTreeRoot, 0);
    return rows;
}

class RecordingLoad {
public:
    explicit RecordingLoad(bool english = false, bool debug = false) : english_(english), debug_(debug) {}
    RecordingLoad(const RecordingLoad&) = delete;
    RecordingLoad& operator=(const RecordingLoad&) = delete;

    // The options of a load into this tree and these messages.
    LoadOptions Options(ExportWriter* writer = nullptr, const FindQuery* find = nullptr) {
        LoadOptions options;
        options.language = english_ ? Language::English : Language::German;
        options.debug = debug_;
        options.tree = &tree;
        options.writer = writer;
        options.find = find;
        options.messages = [this](std::string_view text) { messages.emplace_back(text); };
        return options;
    }

    // (depth, label) of every item, depth first; depth 0 is a realm.
    std::vector<std::pair<int, std::string>> Rows() const { return RowsOf(tree); }

    RecipeTree tree;
    std::vector<std::string> messages;

private:
    bool english_;
    bool debug_;
};

}  // namespace artisanscope::testing
