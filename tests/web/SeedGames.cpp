// Game folders from the fuzz seed corpora, for runs of the whole program:
//   seed_games SEEDS OUT
// SEEDS/mpak_archive/NAME becomes OUT/archive-NAME/data/ifd.mpk as it is;
// SEEDS/recipe_load/NAME (an option byte, then a table image) becomes
// OUT/table-NAME/data/ifd.mpk holding the image as the recipe table.
// Further folders of archives (a fuzzer's corpus) may follow SEEDS.

#include "fixtures/MpakWriter.h"
#include "fixtures/TableWriter.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace artisanscope::fixtures;

namespace {

std::size_t Archives(const fs::path& in, const fs::path& out, const std::string& prefix) {
    std::size_t count = 0;
    if (!fs::is_directory(in)) return count;
    for (const fs::directory_entry& entry : fs::directory_iterator(in)) {
        if (!entry.is_regular_file()) continue;
        const fs::path folder = out / (prefix + entry.path().stem().string()) / "data";
        fs::create_directories(folder);
        fs::copy_file(entry.path(), folder / "ifd.mpk", fs::copy_options::overwrite_existing);
        ++count;
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: seed_games SEEDS OUT [ARCHIVES...]\n");
        return 2;
    }
    try {
        const fs::path seeds = argv[1], out = argv[2];
        std::size_t count = Archives(seeds / "mpak_archive", out, "archive-");
        for (int i = 3; i < argc; ++i) count += Archives(argv[i], out, "corpus-");
        for (const fs::directory_entry& entry : fs::directory_iterator(seeds / "recipe_load")) {
            Bytes image = ReadFile(entry.path().string());
            if (image.empty()) continue;
            image.erase(image.begin());
            WriteGameDirectory((out / ("table-" + entry.path().stem().string())).string(), image);
            ++count;
        }
        std::printf("%zu game folders in %s\n", count, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "seed_games: %s\n", e.what());
        return 1;
    }
    return 0;
}
