#include "Floor.h"

#include "archive/ByteView.h"
#include "archive/MpakArchive.h"
#include "io/AsciiCase.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace artisanscope::bench {
namespace {

// Output is written in blocks of this many bytes, as the text export does.
constexpr std::size_t kWriteBlock = 256 * 1024;

std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            bytes.resize(static_cast<std::size_t>(size));
            if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
        }
    }
    std::fclose(file);
    return bytes;
}

// Inflates src into a new block of `size` bytes; empty on a zlib error.
std::vector<std::uint8_t> Inflate(ByteView src, std::size_t size) {
    std::vector<std::uint8_t> out(size == 0 ? 1 : size);
    uLongf produced = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &produced, src.span().data(), static_cast<uLong>(src.size())) != Z_OK) return {};
    out.resize(produced);
    return out;
}

}  // namespace

bool RunFloor(const std::string& archivePath, std::string_view memberName, const std::string& outputPath,
              std::size_t outputBytes) {
    const std::vector<std::uint8_t> archiveBytes = ReadWhole(archivePath);
    const ByteView archive(archiveBytes);
    if (!archive.Contains(0, MpakHeader::kSize)) return false;

    std::array<std::uint8_t, MpakHeader::kSize> header{};
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = *archive.U8At(i);
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) header[MpakHeader::kMaskedOffset + i] ^= static_cast<std::uint8_t>(i);
    const ByteView head(header);
    const std::uint64_t directoryStart = MpakHeader::kSize + std::uint64_t{head.U32leAt(MpakHeader::kPrefixBlockLengthOffset).value_or(0)};
    const std::uint32_t directoryLength = head.U32leAt(MpakHeader::kDirectoryLengthOffset).value_or(0);
    const auto entries = static_cast<std::uint32_t>(head.U32leAt(MpakHeader::kEntryCountOffset).value_or(0));
    const auto compressedDirectory = archive.Sub(directoryStart, directoryLength);
    if (!compressedDirectory || entries == 0 || entries > 65536) return false;
    const std::vector<std::uint8_t> directoryBytes = Inflate(*compressedDirectory, std::size_t{entries} * MpakDirectoryEntry::kSize);
    const ByteView directory(directoryBytes);

    for (std::uint64_t e = 0; e < entries; ++e) {
        const auto entry = directory.Sub(e * MpakDirectoryEntry::kSize, MpakDirectoryEntry::kSize);
        if (!entry) return false;
        if (!EqualsIgnoringAsciiCase(*entry->FixedStringAt(0, MpakDirectoryEntry::kNameSize), memberName)) continue;

        const std::uint64_t dataArea = directoryStart + directoryLength;
        const auto compressed = archive.Sub(dataArea + entry->U32leAt(MpakDirectoryEntry::kDataOffsetOffset).value_or(0),
                                            entry->U32leAt(MpakDirectoryEntry::kCompressedSizeOffset).value_or(0));
        if (!compressed) return false;
        const std::vector<std::uint8_t> member = Inflate(*compressed, entry->U32leAt(MpakDirectoryEntry::kInflatedSizeOffset).value_or(0));
        if (member.empty()) return false;

        std::FILE* out = std::fopen(outputPath.c_str(), "wb");
        if (out == nullptr) return false;
        // One block of output, cut from the member and repeated.
        std::vector<char> block(kWriteBlock);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(member[i % member.size()]);
        bool ok = true;
        for (std::size_t left = outputBytes; left > 0 && ok;) {
            const std::size_t n = left < block.size() ? left : block.size();
            ok = std::fwrite(block.data(), 1, n, out) == n;
            left -= n;
        }
        ok = std::fclose(out) == 0 && ok;
        return ok;
    }
    return false;
}

int FloorCommand(int argc, char** argv, FloorFunction floor) {
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
    if (!floor(archive, "tdl.crf", argv[2], static_cast<std::size_t>(bytes))) {
        std::fprintf(stderr, "%s: cannot read tdl.crf from %s or write %s\n", argv[0], archive.c_str(), argv[2]);
        return 1;
    }
    return 0;
}

}  // namespace artisanscope::bench
