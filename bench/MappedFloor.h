#pragma once
// The floor of an export on this machine: the archive mapped, the one member
// inflated with libdeflate, and as many bytes as the export writes streamed
// to a file through one reused 256 KiB block. No checksums, no walk, no
// formatting, no sync: what no export of the table can beat.

#include <cstddef>
#include <string>
#include <string_view>

namespace artisanscope::bench {

// Writes `outputBytes` bytes (the member's first bytes, repeated as needed)
// to outputPath. Returns false when the archive cannot be mapped, the member
// is not found or does not inflate, or the output cannot be written.
bool RunMappedFloor(const std::string& archivePath, std::string_view memberName, const std::string& outputPath,
                    std::size_t outputBytes);

}  // namespace artisanscope::bench
