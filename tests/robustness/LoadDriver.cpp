// One export through the core alone, the way the command-line job does it,
// for runs under a memory checker without the application shell:
//
//   load_driver [-debug] [-english] ARCHIVE OUTPUT
//
// OUTPUT ending in ".xml" gets the XML export, anything else the text export.
// Messages go to standard error. Exit status 0 when the table was loaded and
// the output written, 1 otherwise.

#include "export/LoadRecipeTable.h"
#include "export/RecipeTree.h"
#include "export/XmlExport.h"

#include <tinyxml.h>

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

bool EndsWithXml(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return tail == ".xml";
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
    DriverDialog dialog(english, debug);

    if (EndsWithXml(output)) {
        TiXmlDocument document;
        if (!LoadRecipeTable(dialog, archive, nullptr, &document)) return 1;
        if (!SaveXmlDocument(document, output)) {
            std::fprintf(stderr, "load_driver: can't write file\n");
            return 1;
        }
        return 0;
    }
    std::FILE* text = std::fopen(output.c_str(), "wb");
    if (text == nullptr) {
        std::fprintf(stderr, "load_driver: can't write file\n");
        return 1;
    }
    const bool loaded = LoadRecipeTable(dialog, archive, text, nullptr);
    bool written = std::fflush(text) == 0 && std::ferror(text) == 0;
    written = std::fclose(text) == 0 && written;
    if (!written) std::fprintf(stderr, "load_driver: can't write file\n");
    return loaded && written ? 0 : 1;
}
