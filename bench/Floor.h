#pragma once
// The floor: the least work any export of a table can do. Read the archive
// file whole, inflate the one member with zlib, write a given number of bytes
// to a file. No checks beyond staying inside the bytes read, no walk, no
// formatting; every export figure is read as a multiple of this.

#include <cstddef>
#include <string>
#include <string_view>

namespace artisanscope::bench {

// Writes `outputBytes` bytes (the member's bytes, repeated as needed) to
// outputPath. Returns false when the archive cannot be read, the member is
// not found or the output cannot be written.
bool RunFloor(const std::string& archivePath, std::string_view memberName, const std::string& outputPath,
              std::size_t outputBytes);

// A floor run as a program: `<program> <camelot_dir> <output_file> <bytes>`
// runs floor on <camelot_dir>/data/ifd.mpk's tdl.crf. Exit 0, 1 when it
// fails, 2 for wrong arguments.
using FloorFunction = bool (*)(const std::string& archivePath, std::string_view memberName,
                               const std::string& outputPath, std::size_t outputBytes);
int FloorCommand(int argc, char** argv, FloorFunction floor);

}  // namespace artisanscope::bench
