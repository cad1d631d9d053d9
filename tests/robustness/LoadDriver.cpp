// One export through the core and the shell's export step, the way the
// command-line job does it, for runs under a memory checker without the job:
//
//   load_driver [-debug] [-english] ARCHIVE OUTPUT
//
// OUTPUT ending in ".xml" gets the XML export, anything else the text export.
// Messages go to standard error. Exit status 0 when the table was loaded and
// the output written, 1 otherwise.

#include "export/ExportFile.h"
#include "table/RecipeTree.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace artisanscope;

class DriverDialog final : public RecipeDialog {
public:
    DriverDialog(bool english, bool debug) : english_(english), debug_(debug) {}
    RecipeTreeStore& treeStore() override { return tree_; }
    bool IsEnglishNamesChecked() const override { return english_; }
    bool debugMode() const override { return debug_; }
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "load_driver: %.*s\n", static_cast<int>(text.size()), text.data());
    }

private:
    RecipeTree tree_;
    bool english_, debug_;
};

}  // namespace

int main(int argc, char** argv) {
    bool english = false, debug = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "-english") == 0) english = true;
        else if (std::strcmp(argv[i], "-debug") == 0) debug = true;
    }
    if (argc - i != 2) {
        std::fprintf(stderr, "usage: load_driver [-debug] [-english] ARCHIVE OUTPUT\n");
        return 2;
    }
    const std::string archive = argv[i], output = argv[i + 1];
    DriverDialog dialog(english, debug);

    const ExportOutcome outcome = ExportRecipeTable(dialog, archive, output, ExportFormatForPath(output));
    if (!outcome.created || (outcome.load && !outcome.written)) std::fprintf(stderr, "load_driver: can't write file\n");
    return outcome.load && outcome.written ? 0 : 1;
}
