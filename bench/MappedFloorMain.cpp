// artisanscope-floor-mapped <camelot_dir> <output_file> <bytes>
// Maps <camelot_dir>/data/ifd.mpk, inflates tdl.crf with libdeflate and
// writes <bytes> bytes to <output_file> through one 256 KiB block: the floor
// every export is compared with.

#include "MappedFloor.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <camelot_dir> <output_file> <bytes>\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const unsigned long long bytes = std::strtoull(argv[3], &end, 10);
    if (end == argv[3] || *end != '\0') {
        std::fprintf(stderr, "%s: not a byte count: %s\n", argv[0], argv[3]);
        return 2;
    }
    const std::string archive = std::string(argv[1]) + "/data/ifd.mpk";
    if (!artisanscope::bench::RunMappedFloor(archive, "tdl.crf", argv[2], static_cast<std::size_t>(bytes))) {
        std::fprintf(stderr, "%s: cannot read tdl.crf from %s or write %s\n", argv[0], archive.c_str(), argv[2]);
        return 1;
    }
    return 0;
}
