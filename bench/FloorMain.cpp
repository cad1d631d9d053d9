// artisanscope-floor <camelot_dir> <output_file> <bytes>
// Reads <camelot_dir>/data/ifd.mpk, inflates tdl.crf and writes <bytes>
// bytes to <output_file>: the bare cost an export is compared with.

#include "Floor.h"

int main(int argc, char** argv) { return artisanscope::bench::FloorCommand(argc, argv, artisanscope::bench::RunFloor); }
