// Fuzz target: the MPAK reader on arbitrary bytes.
//
// Each input is read twice: as it stands, and once more with its checksums
// made to fit (directory CRC in the header, every member CRC in the
// directory), so that mutations get past the two CRC gates and reach the
// member lookup, the size checks and the member inflate. Every member the
// reader hands out is checked against what the archive's own bytes say it
// must be; a mismatch aborts, so wrong results count as crashes too.

#include "archive/ByteView.h"
#include "archive/MpakArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace {

using artisanscope::ByteView;
using artisanscope::MpakDirectoryEntry;
using artisanscope::MpakHeader;
using artisanscope::MpakMember;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kMember = "tdl.crf";
// Directories are inflated up to these many bytes here: CRCs are fixed for the
// entries within the first MiB; the check goes as far as any directory that
// an input of fuzzing size can describe.
constexpr std::size_t kDirectoryCap = 1 << 20;
constexpr std::uint64_t kOracleDirectoryCap = 64 << 20;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "archive invariant broken: %s\n", what);
    std::abort();
}

std::uint32_t Crc(ByteView bytes) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.span().data(), static_cast<uInt>(bytes.size())));
}

void PutU32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Inflates up to cap bytes; also tells whether the stream ended cleanly. The
// output grows as the stream produces, so a large cap costs nothing.
Bytes InflateUpTo(ByteView src, std::size_t cap, bool* complete = nullptr) {
    Bytes out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) Fail("inflateInit");
    z.next_in = const_cast<Bytef*>(src.span().data());
    z.avail_in = static_cast<uInt>(src.size());
    int rc = Z_OK;
    while (rc == Z_OK && out.size() < cap) {
        const std::size_t before = out.size();
        out.resize(std::min(cap, before + 65536));
        z.next_out = out.data() + before;
        z.avail_out = static_cast<uInt>(out.size() - before);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_out != 0) break;  // input exhausted
    }
    // Like uncompress: complete when the stream ended within the cap, or the
    // cap is 0 and the stream holds nothing.
    if (complete != nullptr) {
        if (rc == Z_OK && cap == out.size()) {
            std::uint8_t probe;
            z.next_out = &probe;
            z.avail_out = 1;
            rc = inflate(&z, Z_NO_FLUSH);
            if (z.avail_out == 0) rc = Z_BUF_ERROR;  // more than cap bytes
        }
        *complete = rc == Z_STREAM_END;
    }
    inflateEnd(&z);
    return out;
}

struct Layout {
    std::uint32_t directoryCrc, directoryLength, prefixBlockLength;
    std::int32_t entryCount;
    std::uint64_t directoryStart;
};

std::optional<Layout> ReadHeader(ByteView file) {
    if (!file.Contains(0, MpakHeader::kSize)) return std::nullopt;
    Bytes header(file.span().begin(), file.span().begin() + MpakHeader::kSize);
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) header[MpakHeader::kMaskedOffset + i] ^= i;
    const ByteView h(header);
    Layout l{h.U32le(MpakHeader::kDirectoryCrcOffset), h.U32le(MpakHeader::kDirectoryLengthOffset),
             h.U32le(MpakHeader::kPrefixBlockLengthOffset),
             static_cast<std::int32_t>(h.U32le(MpakHeader::kEntryCountOffset)), 0};
    l.directoryStart = MpakHeader::kSize + std::uint64_t{l.prefixBlockLength};
    return l;
}

// The first entry, within the whole entries the directory stream produced and
// within entryCount, whose name matches the request.
std::optional<ByteView> FindEntry(ByteView directory, std::int32_t entryCount) {
    for (std::uint64_t e = 0; entryCount > 0 && e < static_cast<std::uint64_t>(entryCount); ++e) {
        const auto entry = directory.Sub(e * MpakDirectoryEntry::kSize, MpakDirectoryEntry::kSize);
        if (!entry) break;
        if (artisanscope::MpakNamesEqual(*entry->FixedStringAt(0, MpakDirectoryEntry::kNameSize), kMember)) return entry;
    }
    return std::nullopt;
}

// Checks a member against the archive: it must be the first matching entry's
// stream, inflated, zero-padded or cut at the entry's inflatedSize, and a
// fully well-formed archive must yield its member.
void Check(ByteView file, const MpakMember& member) {
    const auto layout = ReadHeader(file);
    const bool magic = file.size() >= 4 && file.U32le(0) == 0x4B41504Du;  // "MPAK"
    const auto compressedDirectory = layout ? file.Sub(layout->directoryStart, layout->directoryLength) : std::nullopt;
    if (!magic || !compressedDirectory || Crc(*compressedDirectory) != layout->directoryCrc) {
        if (member) Fail("member from an archive with a bad magic, directory extent or directory CRC");
        return;
    }
    // Whatever the reader's own limits, it cannot find an entry beyond
    // entryCount or beyond what deflate can expand the stream to (1032:1).
    const std::uint64_t listed = layout->entryCount > 0 ? std::uint64_t{static_cast<std::uint32_t>(layout->entryCount)} * MpakDirectoryEntry::kSize : 0;
    const std::uint64_t possible = std::uint64_t{layout->directoryLength} * 1032 + MpakDirectoryEntry::kSize;
    const std::size_t cap = static_cast<std::size_t>(std::min({listed, possible, kOracleDirectoryCap}));
    bool directoryComplete = false;
    const Bytes directoryBytes = InflateUpTo(*compressedDirectory, cap, &directoryComplete);
    const auto entry = FindEntry(ByteView(directoryBytes), layout->entryCount);
    if (!entry) {
        if (member) Fail("member without a matching directory entry");
        return;
    }
    const std::uint32_t inflatedSize = entry->U32le(MpakDirectoryEntry::kInflatedSizeOffset);
    const std::uint64_t dataArea = layout->directoryStart + layout->directoryLength;
    const auto stream = file.Sub(dataArea + entry->U32le(MpakDirectoryEntry::kDataOffsetOffset),
                                 entry->U32le(MpakDirectoryEntry::kCompressedSizeOffset));
    if (!stream || Crc(*stream) != entry->U32le(MpakDirectoryEntry::kCompressedCrcOffset)) {
        if (member) Fail("member whose stream lies outside the archive or fails its CRC");
        return;
    }
    if (!member) {
        // Only a clean archive obliges the reader: directory and member
        // streams complete, the directory exactly entryCount entries long,
        // the member exactly inflatedSize bytes long.
        bool memberComplete = false;
        const Bytes content = InflateUpTo(*stream, inflatedSize, &memberComplete);
        if (directoryComplete && memberComplete && content.size() == inflatedSize &&
            directoryBytes.size() == std::uint64_t{static_cast<std::uint32_t>(layout->entryCount)} * MpakDirectoryEntry::kSize) {
            Fail("well-formed archive refused");
        }
        return;
    }
    if (member.size() != inflatedSize) Fail("member size differs from the entry's inflatedSize");
    Bytes expected = InflateUpTo(*stream, inflatedSize);
    expected.resize(inflatedSize, 0);
    if (!std::equal(expected.begin(), expected.end(), member.bytes().begin(), member.bytes().end())) {
        Fail("member bytes differ from the inflated stream");
    }
}

// The input with its magic set and both kinds of CRC recomputed; the
// directory is recompressed, so the data area keeps its bytes and offsets.
std::optional<Bytes> WithChecksumsFixed(ByteView file) {
    const auto layout = ReadHeader(file);
    if (!layout) return std::nullopt;
    const auto compressedDirectory = file.Sub(layout->directoryStart, layout->directoryLength);
    if (!compressedDirectory) return std::nullopt;
    Bytes directory = InflateUpTo(*compressedDirectory, kDirectoryCap);
    const std::uint64_t dataAreaStart = layout->directoryStart + layout->directoryLength;
    const ByteView dataArea = *file.Sub(dataAreaStart, file.size() - dataAreaStart);
    for (std::size_t at = 0; at + MpakDirectoryEntry::kSize <= directory.size(); at += MpakDirectoryEntry::kSize) {
        const ByteView entry = *ByteView(directory).Sub(at, MpakDirectoryEntry::kSize);
        const auto stream = dataArea.Sub(entry.U32le(MpakDirectoryEntry::kDataOffsetOffset),
                                         entry.U32le(MpakDirectoryEntry::kCompressedSizeOffset));
        if (stream) PutU32(directory, at + MpakDirectoryEntry::kCompressedCrcOffset, Crc(*stream));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(directory.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, directory.data(), static_cast<uLong>(directory.size()), 1) != Z_OK) {
        return std::nullopt;
    }
    packed.resize(packedSize);

    Bytes out(file.span().begin(), file.span().begin() + static_cast<std::ptrdiff_t>(layout->directoryStart));
    out[0] = 'M', out[1] = 'P', out[2] = 'A', out[3] = 'K';
    PutU32(out, MpakHeader::kDirectoryCrcOffset, Crc(ByteView(packed)));
    PutU32(out, MpakHeader::kDirectoryLengthOffset, static_cast<std::uint32_t>(packed.size()));
    PutU32(out, MpakHeader::kPrefixBlockLengthOffset, layout->prefixBlockLength);
    PutU32(out, MpakHeader::kEntryCountOffset, static_cast<std::uint32_t>(layout->entryCount));
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) out[MpakHeader::kMaskedOffset + i] ^= i;
    out.insert(out.end(), packed.begin(), packed.end());
    out.insert(out.end(), dataArea.span().begin(), dataArea.span().end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView input(std::span<const std::uint8_t>(data, size));
    Check(input, artisanscope::ReadMpakMemberFromBytes(input.span(), kMember));
    if (const auto fixed = WithChecksumsFixed(input)) {
        Check(ByteView(*fixed), artisanscope::ReadMpakMemberFromBytes(*fixed, kMember));
    }
    return 0;
}
