#include "archive/MpakArchive.h"

#include "archive/ByteView.h"

#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace artisanscope {
namespace {

// Deflate cannot expand data by more than about 1032:1; a directory that
// claims more entries than its compressed bytes could ever produce is refused
// before its buffer is allocated.
constexpr std::uint64_t kMaxInflateRatio = 1032;

std::uint32_t Crc32Of(ByteView bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    auto rest = bytes.span();
    // zlib takes 32-bit lengths; feed large blocks in pieces.
    constexpr std::size_t kChunk = std::size_t{1} << 30;
    while (!rest.empty()) {
        const std::size_t n = rest.size() < kChunk ? rest.size() : kChunk;
        crc = crc32(crc, rest.data(), static_cast<uInt>(n));
        rest = rest.subspan(n);
    }
    return static_cast<std::uint32_t>(crc);
}

// Inflates src into dest (capacity dest.size() bytes) and returns how many
// bytes the stream produced. A broken or short stream yields what was
// produced before it stopped; the caller's CRC check decides validity.
std::size_t Inflate(ByteView src, std::span<std::uint8_t> dest) {
    uLongf produced = static_cast<uLongf>(dest.size());
    uncompress(dest.data(), &produced, src.span().data(), static_cast<uLong>(src.size()));
    return produced <= dest.size() ? static_cast<std::size_t>(produced) : dest.size();
}

// Reads a whole regular file into memory. Refuses anything that is not a
// regular file (directories, FIFOs, devices) without blocking, and files
// larger than kMaxArchiveBytes without allocating for them.
bool ReadWholeFile(const std::string& path, std::unique_ptr<std::uint8_t[]>& block, std::size_t& size) {
#ifndef _WIN32
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
              static_cast<std::uint64_t>(info.st_size) <= kMaxArchiveBytes;
    if (ok) {
        size = static_cast<std::size_t>(info.st_size);
        block.reset(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
        ok = block != nullptr;
    }
    const std::span<std::uint8_t> target(block.get(), ok ? size : 0);
    std::size_t done = 0;
    while (ok && done < size) {
        const auto rest = target.subspan(done);
        const ssize_t n = ::read(fd, rest.data(), rest.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) ok = false;  // error, or the file shrank while being read
        else done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) block.reset();
    return ok;
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long end = ok ? std::ftell(file) : -1;
    ok = ok && end >= 0 && static_cast<std::uint64_t>(end) <= kMaxArchiveBytes &&
         std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        size = static_cast<std::size_t>(end);
        block.reset(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
        ok = block != nullptr && std::fread(block.get(), 1, size, file) == size;
    }
    std::fclose(file);
    if (!ok) block.reset();
    return ok;
#endif
}

}  // namespace

MpakMember MpakMember::Allocate(std::size_t size) {
    MpakMember member;
    // calloc: the block starts zeroed, so a short stream leaves zeros, never
    // stale memory. One byte at least, so an empty member is still "present".
    member.block_.reset(static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
    member.size_ = member.block_ ? size : 0;
    return member;
}

bool MpakNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](unsigned char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
        };
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

MpakMember ReadMpakMemberFromBytes(std::span<const std::uint8_t> archive, std::string_view memberName) {
    const ByteView file(archive);
    if (!file.Contains(0, MpakHeader::kSize)) return {};
    static constexpr std::array<std::uint8_t, 4> kMagic{'M', 'P', 'A', 'K'};
    for (std::size_t i = 0; i < kMagic.size(); ++i) {
        if (file.U8At(MpakHeader::kMagicOffset + i) != kMagic[i]) return {};
    }

    // Unmask the header into a copy; the archive bytes stay untouched.
    std::array<std::uint8_t, MpakHeader::kSize> header{};
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = *file.U8At(i);
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) {
        header[MpakHeader::kMaskedOffset + i] ^= static_cast<std::uint8_t>(i);
    }
    const ByteView head(header);
    const std::uint32_t directoryCrc = head.U32le(MpakHeader::kDirectoryCrcOffset);
    const std::uint32_t directoryLength = head.U32le(MpakHeader::kDirectoryLengthOffset);
    const std::uint32_t prefixBlockLength = head.U32le(MpakHeader::kPrefixBlockLengthOffset);
    const auto entryCount = static_cast<std::int32_t>(head.U32le(MpakHeader::kEntryCountOffset));

    // All positions are 64-bit sums of 32-bit fields: they cannot wrap.
    const std::uint64_t directoryStart = MpakHeader::kSize + std::uint64_t{prefixBlockLength};
    const auto compressedDirectory = file.Sub(directoryStart, directoryLength);
    if (!compressedDirectory) return {};
    if (Crc32Of(*compressedDirectory) != directoryCrc) return {};
    if (entryCount <= 0) return {};

    const std::uint64_t directoryBytes = std::uint64_t{static_cast<std::uint32_t>(entryCount)} * MpakDirectoryEntry::kSize;
    if (directoryBytes > std::uint64_t{directoryLength} * kMaxInflateRatio + MpakDirectoryEntry::kSize ||
        directoryBytes > std::numeric_limits<std::size_t>::max()) {
        return {};
    }
    std::unique_ptr<std::uint8_t[]> directoryBlock(new (std::nothrow) std::uint8_t[directoryBytes]);
    if (!directoryBlock) return {};
    const std::span<std::uint8_t> directorySpan(directoryBlock.get(), static_cast<std::size_t>(directoryBytes));
    const std::size_t produced = Inflate(*compressedDirectory, directorySpan);
    const ByteView directory(directorySpan.first(produced));

    // Only whole entries that the inflate actually produced are searched.
    const std::uint64_t wholeEntries = produced / MpakDirectoryEntry::kSize;
    std::optional<ByteView> entry;
    for (std::uint64_t e = 0; e < wholeEntries; ++e) {
        auto candidate = directory.Sub(e * MpakDirectoryEntry::kSize, MpakDirectoryEntry::kSize);
        auto name = candidate->FixedStringAt(MpakDirectoryEntry::kNameOffset, MpakDirectoryEntry::kNameSize);
        if (MpakNamesEqual(*name, memberName)) {
            entry = candidate;
            break;
        }
    }
    if (!entry) return {};

    const std::uint32_t inflatedSize = entry->U32le(MpakDirectoryEntry::kInflatedSizeOffset);
    const std::uint32_t dataOffset = entry->U32le(MpakDirectoryEntry::kDataOffsetOffset);
    const std::uint32_t compressedSize = entry->U32le(MpakDirectoryEntry::kCompressedSizeOffset);
    const std::uint32_t compressedCrc = entry->U32le(MpakDirectoryEntry::kCompressedCrcOffset);
    directoryBlock.reset();

    const std::uint64_t dataArea = directoryStart + directoryLength;
    const auto compressedMember = file.Sub(dataArea + dataOffset, compressedSize);
    if (!compressedMember) return {};
    // The CRC guards the compressed bytes; checking it first spares a useless
    // inflate and gives the same result.
    if (Crc32Of(*compressedMember) != compressedCrc) return {};

    // A member that claims more bytes than its stream could ever produce is
    // damaged; refusing it spares allocating gigabytes for a few bytes.
    if (inflatedSize > std::uint64_t{compressedSize} * kMaxInflateRatio + MpakDirectoryEntry::kSize) return {};
    MpakMember member = MpakMember::Allocate(inflatedSize);
    if (!member) return {};
    Inflate(*compressedMember, std::span<std::uint8_t>(member.data(), member.size()));
    return member;
}

MpakMember ReadMpakMember(const std::string& archivePath, std::string_view memberName) {
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t size = 0;
    if (!ReadWholeFile(archivePath, block, size)) return {};
    return ReadMpakMemberFromBytes(std::span<const std::uint8_t>(block.get(), size), memberName);
}

}  // namespace artisanscope
