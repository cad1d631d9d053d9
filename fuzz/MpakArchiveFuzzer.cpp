// Fuzz target: the MPAK reader on arbitrary bytes.
//
// Each input is read twice: as it stands, and once more with its checksums
// made to fit (directory CRC in the header, every member CRC in the
// directory), so that mutations get past the two CRC gates and reach the
// member lookup, the size checks and the member inflate. The reader must be
// its own steps in order, and every member it hands out (or refuses as too
// large) is checked independently against the archive's bytes; a mismatch
// aborts, so wrong results count as crashes too. The archive is also written
// to a file and read from there, which must give the same.

#include "archive/ByteView.h"
#include "archive/MpakArchive.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using artisanscope::ByteView;
using artisanscope::MpakDirectoryEntry;
using artisanscope::MpakError;
using artisanscope::MpakHeader;
using artisanscope::MpakMember;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kMember = "tdl.crf";
// CRCs are fixed for the directory entries within its first MiB.
constexpr std::size_t kDirectoryCap = 1 << 20;

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

// Inflates up to cap bytes. The output grows as the stream produces, so a
// large cap costs nothing.
Bytes InflateUpTo(ByteView src, std::uint64_t cap) {
    Bytes out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) Fail("inflateInit");
    z.next_in = const_cast<Bytef*>(src.span().data());
    z.avail_in = static_cast<uInt>(src.size());
    int rc = Z_OK;
    while (rc == Z_OK && out.size() < cap) {
        const std::size_t before = out.size();
        out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(cap, before + 65536)));
        z.next_out = out.data() + before;
        z.avail_out = static_cast<uInt>(out.size() - before);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_out != 0) break;  // input exhausted
    }
    inflateEnd(&z);
    return out;
}

// What libdeflate makes of a whole stream of at most cap bytes, when it
// accepts it. It accepts a few streams zlib refuses (a code that an
// incomplete Huffman table leaves unassigned, for one); the reader inflates
// those whole instead of yielding zlib's prefix.
std::optional<Bytes> InflateWhole(ByteView src, std::uint64_t cap) {
    Bytes out(static_cast<std::size_t>(cap));
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (inflater == nullptr) Fail("libdeflate_alloc_decompressor");
    std::size_t produced = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress(inflater, src.span().data(), src.size(), out.data(), out.size(), &produced);
    libdeflate_free_decompressor(inflater);
    if (result != LIBDEFLATE_SUCCESS) return std::nullopt;
    out.resize(produced);
    return out;
}

// The header as the production step reads it, whatever the magic says (the
// checksum fixer below sets the magic itself).
std::optional<artisanscope::MpakHeaderFields> HeaderIgnoringMagic(ByteView file) {
    if (!file.Contains(0, MpakHeader::kSize)) return std::nullopt;
    Bytes head(file.span().begin(), file.span().begin() + MpakHeader::kSize);
    head[0] = 'M', head[1] = 'P', head[2] = 'A', head[3] = 'K';
    artisanscope::MpakStepError error;
    return artisanscope::ReadMpakHeader(head, error);
}

// Runs the reader's own steps and returns the error of the first that fails
// (None when all pass), with what they found.
struct Steps {
    MpakError error = MpakError::None;
    std::optional<artisanscope::MpakHeaderFields> header;
    std::optional<artisanscope::MpakDirectory> directory;
    std::optional<artisanscope::MpakEntryFields> entry;
};

Steps RunSteps(ByteView file) {
    Steps steps;
    artisanscope::MpakStepError error;
    steps.header = artisanscope::ReadMpakHeader(file.span(), error);
    if (steps.header) steps.directory = artisanscope::InflateMpakDirectory(file.span(), *steps.header, error);
    if (steps.directory) steps.entry = artisanscope::FindMpakEntry(steps.directory->bytes(), kMember, error);
    if (steps.entry) artisanscope::ReadMpakMemberData(file.span(), *steps.header, *steps.entry, error);
    steps.error = error.error;
    return steps;
}

// The reader is its steps in order: the same error, the same reason kind.
// Then the one independent check, with zlib's streaming inflate and crc32
// rather than the reader's code: a member handed out is the entry's stream
// inflated to at least inflatedSize bytes and cut there, and a member
// refused as too large for its stream, or as short, really is.
void Check(ByteView file, const artisanscope::MpakRead& read) {
    const Steps steps = RunSteps(file);
    if (read.error != steps.error) Fail("the reader's error differs from its steps'");
    if (static_cast<bool>(read) != (steps.error == MpakError::None)) Fail("member handed out with an error, or none without");
    if (!read && read.reason.empty()) Fail("refusal without a reason");
    if (steps.error == MpakError::EntryCountImpossible && steps.header->entryCount > 0) {
        const auto directory = file.Sub(steps.header->directoryStart(), steps.header->directoryLength);
        const std::uint64_t claimed =
            std::uint64_t{static_cast<std::uint32_t>(steps.header->entryCount)} * MpakDirectoryEntry::kSize;
        if (directory && InflateUpTo(*directory, claimed).size() == claimed) {
            Fail("entry count refused as impossible, yet the directory holds that many entries");
        }
    }
    if (steps.directory || steps.error == MpakError::DirectoryShort) {
        // Exactly the entries the header counts, as zlib inflates them; a
        // stream that gives fewer is refused.
        const auto compressed = file.Sub(steps.header->directoryStart(), steps.header->directoryLength);
        const std::uint64_t claimed =
            std::uint64_t{static_cast<std::uint32_t>(steps.header->entryCount)} * MpakDirectoryEntry::kSize;
        const Bytes streamed = InflateUpTo(*compressed, claimed);
        const std::optional<Bytes> whole = InflateWhole(*compressed, claimed);
        const bool full = streamed.size() == claimed || (whole && whole->size() == claimed);
        if (!steps.directory) {
            if (full) Fail("directory refused as short, yet its stream gives every entry");
        } else {
            const auto got = steps.directory->bytes();
            auto matches = [&](const Bytes& expected) {
                return expected.size() == claimed && std::equal(expected.begin(), expected.end(), got.begin(), got.end());
            };
            if (!matches(streamed) && !(whole && matches(*whole))) Fail("directory differs from the inflated stream");
        }
    }
    if (!steps.entry) return;

    const artisanscope::MpakEntryFields& entry = *steps.entry;
    const auto stream = file.Sub(steps.header->dataAreaStart() + entry.dataOffset, entry.compressedSize);
    if (steps.error == MpakError::MemberSizeImpossible) {
        if (!stream) Fail("size judged for a stream outside the file");
        const Bytes content = InflateUpTo(*stream, entry.inflatedSize);
        if (content.size() == entry.inflatedSize) Fail("member refused as too large, yet its stream fills it");
        return;
    }
    if (steps.error == MpakError::MemberShort) {
        if (!stream) Fail("stream judged short outside the file");
        const std::optional<Bytes> whole = InflateWhole(*stream, entry.inflatedSize);
        if (InflateUpTo(*stream, entry.inflatedSize).size() == entry.inflatedSize ||
            (whole && whole->size() == entry.inflatedSize)) {
            Fail("member refused as short, yet its stream gives every byte");
        }
        return;
    }
    if (!read) return;
    if (!stream || Crc(*stream) != entry.compressedCrc) Fail("member whose stream lies outside or fails its CRC");
    const MpakMember& member = read.member;
    if (member.size() != entry.inflatedSize) Fail("member size differs from the entry's inflatedSize");
    // Every byte comes from the stream: none is made up where it stopped.
    auto matches = [&](const Bytes& expected) {
        return expected.size() == entry.inflatedSize &&
               std::equal(expected.begin(), expected.end(), member.bytes().begin(), member.bytes().end());
    };
    const std::optional<Bytes> whole = InflateWhole(*stream, entry.inflatedSize);
    if (!matches(InflateUpTo(*stream, entry.inflatedSize)) && !(whole && matches(*whole))) {
        Fail("member bytes differ from the inflated stream, or it stopped short");
    }
}

// The input with its magic set and both kinds of CRC recomputed; the
// directory is recompressed, so the data area keeps its bytes and offsets.
std::optional<Bytes> WithChecksumsFixed(ByteView file) {
    const auto layout = HeaderIgnoringMagic(file);
    if (!layout) return std::nullopt;
    const auto compressedDirectory = file.Sub(layout->directoryStart(), layout->directoryLength);
    if (!compressedDirectory) return std::nullopt;
    Bytes directory = InflateUpTo(*compressedDirectory, kDirectoryCap);
    const std::uint64_t dataAreaStart = layout->dataAreaStart();
    const ByteView dataArea = *file.Sub(dataAreaStart, file.size() - dataAreaStart);
    for (std::size_t at = 0; at + MpakDirectoryEntry::kSize <= directory.size(); at += MpakDirectoryEntry::kSize) {
        const ByteView entry = *ByteView(directory).Sub(at, MpakDirectoryEntry::kSize);
        const auto stream = dataArea.Sub(entry.U32leAt(MpakDirectoryEntry::kDataOffsetOffset).value_or(0),
                                         entry.U32leAt(MpakDirectoryEntry::kCompressedSizeOffset).value_or(0));
        if (stream) PutU32(directory, at + MpakDirectoryEntry::kCompressedCrcOffset, Crc(*stream));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(directory.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, directory.data(), static_cast<uLong>(directory.size()), 1) != Z_OK) {
        return std::nullopt;
    }
    packed.resize(packedSize);

    Bytes out(file.span().begin(), file.span().begin() + static_cast<std::ptrdiff_t>(layout->directoryStart()));
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

// The reader of a file reads only the regions its steps check: read from a
// file, the archive must give what it gives from memory.
void CheckFileRead(ByteView archive, const artisanscope::MpakRead& fromBytes) {
    static const int fd = memfd_create("fuzz-archive", MFD_CLOEXEC);
    if (fd < 0) Fail("memfd_create");
    const auto bytes = archive.span();
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        Fail("memfd write");
    }
    const artisanscope::MpakRead fromFile =
        artisanscope::ReadMpakMember("/proc/self/fd/" + std::to_string(fd), kMember);
    if (fromFile.error != fromBytes.error) Fail("the file's read gives another error than the bytes' read");
    const auto a = fromFile.member.bytes(), b = fromBytes.member.bytes();
    if (!std::equal(a.begin(), a.end(), b.begin(), b.end())) Fail("the file's member differs from the bytes' member");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView input(std::span<const std::uint8_t>(data, size));
    const artisanscope::MpakRead read = artisanscope::ReadMpakMemberFromBytes(input.span(), kMember);
    Check(input, read);
    if (const auto fixed = WithChecksumsFixed(input)) {
        const artisanscope::MpakRead fixedRead = artisanscope::ReadMpakMemberFromBytes(*fixed, kMember);
        Check(ByteView(*fixed), fixedRead);
        CheckFileRead(ByteView(*fixed), fixedRead);
    } else {
        CheckFileRead(input, read);
    }
    return 0;
}
