// artisanscope-bench-data <folder>
// Writes the benchmark game directories below <folder>, with the patched
// twins the comparison is measured on (those already there and current are
// kept), and lists them, one "name<TAB>directory" a line.

#include "BenchData.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    try {
        for (const auto& input : artisanscope::bench::EnsureBenchData(argv[1])) {
            std::printf("%s\t%s\n", input.name.c_str(), input.directory.c_str());
        }
        for (const auto& pair : artisanscope::bench::EnsureDiffBenchData(argv[1])) {
            std::printf("%s-patched\t%s\n", pair.name.c_str(), pair.newDirectory.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
