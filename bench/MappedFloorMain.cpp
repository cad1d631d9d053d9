// artisanscope-floor-mapped <camelot_dir> <output_file> <bytes>
// Maps <camelot_dir>/data/ifd.mpk, inflates tdl.crf with libdeflate and
// writes <bytes> bytes to <output_file> through one 256 KiB block: the floor
// every export is compared with.

#include "Floor.h"
#include "MappedFloor.h"

int main(int argc, char** argv) { return artisanscope::bench::FloorCommand(argc, argv, artisanscope::bench::RunMappedFloor); }
