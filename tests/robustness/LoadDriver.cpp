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

void ShowOnStandardError(std::string_view text) {
    std::fprintf(stderr, "load_driver: %.*s\n", static_cast<int>(text.size()), text.data());
}

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
    RecipeTree tree;
    LoadOptions options;
    options.language = english ? Language::English : Language::German;
    options.debug = debug;
    options.tree = &tree;
    options.messages = ShowOnStandardError;

    const ExportOutcome outcome = ExportRecipeTable(archive, output, ExportFormatForPath(output), options);
    if (!outcome.created || (outcome.load && !outcome.written)) std::fprintf(stderr, "load_driver: can't write file\n");
    return outcome.load && outcome.written ? 0 : 1;
}
