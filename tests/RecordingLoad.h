#pragma once
// What a test's load fills and hears: a core RecipeTree and every message
// box text, with the language and debug mode the load runs under.

#include "load/LoadRecipeTable.h"
#include "table/RecipeTree.h"

#include <string>
#include <utility>
#include <vector>

namespace artisanscope::testing {

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
    std::vector<std::pair<int, std::string>> Rows() const { return tree.Rows(); }

    RecipeTree tree;
    std::vector<std::string> messages;

private:
    bool english_;
    bool debug_;
};

}  // namespace artisanscope::testing
