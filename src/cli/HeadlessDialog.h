#pragma once
// The dialog's stand-in without a display: no window system at all. It
// writes every message box to standard error and keeps the tree only when it
// is to be listed; nothing reloads or ends later, the process ends with the
// job.

#include "cli/CommandLineJob.h"
#include "table/RecipeTree.h"

#include <cstdio>
#include <string>
#include <vector>

namespace artisanscope {

class HeadlessDialog final : public CommandLineJobHost {
public:
    // keepTree: store the loaded tree for LoadedTree(); otherwise no tree is
    // built.
    HeadlessDialog(std::string appName, std::FILE* err, bool keepTree);

    RecipeTreeStore* treeStore() override;
    const RecipeTree* LoadedTree() const override { return keepTree_ ? &tree_ : nullptr; }
    void ShowMessage(std::string_view text) override;

private:
    std::string appName_;
    std::FILE* err_;
    bool keepTree_;
    RecipeTree tree_;
};

// The whole program without a display: parses arguments (the usage box goes
// to err), prints the usage text to err and returns kExitUsage when no
// camelot_dir was given, and otherwise runs the command-line job and returns
// its exit status.
int RunHeadless(MyCommandLine& commandLine, const std::vector<std::string>& arguments, const CommandLineJobIo& io);

}  // namespace artisanscope
