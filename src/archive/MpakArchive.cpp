#include "archive/MpakArchive.h"

#include "archive/ByteView.h"
#include "io/AsciiCase.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <limits>
#include <new>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace artisanscope {
namespace {

std::uint32_t Crc32Of(ByteView bytes) {
    const auto all = bytes.span();
    return libdeflate_crc32(0, all.data(), all.size());
}

// Inflates src into dest (capacity dest.size() bytes) and returns how many
// bytes the stream produced, at most dest.size(). A broken or short stream
// yields what was produced before it stopped; the callers refuse a stream
// that does not fill dest. Bytes of dest past the returned count hold no
// meaning.
//
// libdeflate inflates a whole, valid stream that fits about three times as
// fast as zlib, but on any other stream it gives nothing usable; zlib then
// inflates it again and yields the prefix it produced. Every stream zlib
// accepts gives what zlib alone would give. libdeflate also accepts a few
// streams zlib refuses (a code an incomplete Huffman table leaves
// unassigned, for one) when their checksum holds; those are inflated whole.
std::size_t Inflate(ByteView src, std::span<std::uint8_t> dest) {
    const auto in = src.span();
    if (libdeflate_decompressor* inflater = libdeflate_alloc_decompressor()) {
        std::size_t produced = 0;
        const libdeflate_result result =
            libdeflate_zlib_decompress(inflater, in.data(), in.size(), dest.data(), dest.size(), &produced);
        libdeflate_free_decompressor(inflater);
        if (result == LIBDEFLATE_SUCCESS && produced <= dest.size()) return produced;
    }
    uLongf produced = static_cast<uLongf>(dest.size());
    uncompress(dest.data(), &produced, in.data(), static_cast<uLong>(in.size()));
    return produced <= dest.size() ? static_cast<std::size_t>(produced) : dest.size();
}

std::string Decimal(std::uint64_t value) { return std::to_string(value); }

// The reasons below are said of the archive: each follows its name.

std::string CannotBe(std::string_view what, int code) {
    return "cannot be " + std::string(what) + " (" + std::strerror(code) + ")";
}

std::string TooLarge(std::uint64_t bytes) {
    return "is too large for a game archive (" + Decimal(bytes) + " bytes; at most " + Decimal(kMaxArchiveBytes) +
           " are read)";
}

// A region of the file that runs past its end: "what, N bytes at byte P".
std::string CutShort(std::string_view what, std::uint64_t length, std::uint64_t start, std::uint64_t fileSize) {
    return "is cut short or damaged (" + std::string(what) + ", " + Decimal(length) + " bytes at byte " + Decimal(start) +
           ", runs past the end of its " + Decimal(fileSize) + " bytes)";
}

// The archive file, open, and a block of its length that holds only the
// regions read so far. Each step of the reader reads only a region it has
// checked lies inside the file, and that region is read just before the
// step: the other members' bytes are neither read from the disk nor touched
// in memory, and every byte a step reads is a byte of the file.
//
// The file is read, not mapped: a mapped file that another program
// truncates kills the reader with SIGBUS, a read only comes up short.
class ArchiveFile {
public:
    ArchiveFile() = default;
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;
    ~ArchiveFile() { Close(); }

    // Opens path and takes its length. Refuses anything that is not a
    // regular file (directories, FIFOs, devices) without blocking, and files
    // larger than kMaxArchiveBytes without allocating for them.
    bool Open(const std::string& path, MpakStepError& error);
    // Reads the file's bytes [offset, offset + length) into the block at the
    // same place. A region that does not lie inside the file is left to the
    // step to refuse; nothing is read for it.
    bool ReadRegion(std::uint64_t offset, std::uint64_t length, MpakStepError& error);
    std::span<const std::uint8_t> bytes() const { return {block_.get(), size_}; }

private:
    bool Fail(MpakError kind, std::string detail, MpakStepError& error) {
        error = {kind, std::move(detail)};
        block_.reset();
        size_ = 0;
        Close();
        return false;
    }
    void Close() {
#ifndef _WIN32
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
#endif
    }

    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t size_ = 0;
#ifndef _WIN32
    int fd_ = -1;
#endif
};

bool ArchiveFile::Open(const std::string& path, MpakStepError& error) {
#ifndef _WIN32
#ifdef __EMSCRIPTEN__
    // Node opens without O_NONBLOCK, and a pipe would wait for a writer:
    // whatever is not a regular file is turned away before it is opened.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode) && !S_ISDIR(before.st_mode)) {
        return Fail(MpakError::NotRegularFile, "is a device, pipe or socket, not a game archive", error);
    }
#endif
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 && errno == ENOENT) return Fail(MpakError::Unreadable, "does not exist", error);
    if (fd_ < 0) return Fail(MpakError::Unreadable, CannotBe("opened", errno), error);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return Fail(MpakError::Unreadable, CannotBe("read", errno), error);
    if (!S_ISREG(info.st_mode)) {
        return Fail(MpakError::NotRegularFile,
                    S_ISDIR(info.st_mode) ? "is a folder, not a game archive"
                                          : "is a device, pipe or socket, not a game archive",
                    error);
    }
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > kMaxArchiveBytes) {
        return Fail(MpakError::TooLarge, TooLarge(static_cast<std::uint64_t>(info.st_size)), error);
    }
    size_ = static_cast<std::size_t>(info.st_size);
    // Not zeroed: only regions read from the file are ever read from it, and
    // the pages of the rest are never touched.
    block_.reset(new (std::nothrow) std::uint8_t[size_ == 0 ? 1 : size_]);
    if (block_ == nullptr) {
        return Fail(MpakError::OutOfMemory, "cannot be read: not enough memory for its " + Decimal(size_) + " bytes",
                    error);
    }
    return true;
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr && errno == ENOENT) return Fail(MpakError::Unreadable, "does not exist", error);
    if (file == nullptr) return Fail(MpakError::Unreadable, CannotBe("opened", errno), error);
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long end = ok ? std::ftell(file) : -1;
    ok = ok && end >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok && static_cast<std::uint64_t>(end) > kMaxArchiveBytes) {
        std::fclose(file);
        return Fail(MpakError::TooLarge, TooLarge(static_cast<std::uint64_t>(end)), error);
    }
    if (ok) {
        size_ = static_cast<std::size_t>(end);
        block_.reset(new (std::nothrow) std::uint8_t[size_ == 0 ? 1 : size_]);
        ok = block_ != nullptr && std::fread(block_.get(), 1, size_, file) == size_;
    }
    std::fclose(file);
    return ok || Fail(MpakError::Unreadable, "cannot be read", error);
#endif
}

bool ArchiveFile::ReadRegion(std::uint64_t offset, std::uint64_t length, MpakStepError& error) {
#ifndef _WIN32
    const auto region = ByteView(bytes()).Sub(offset, length);
    if (!region) return true;
    const std::span<std::uint8_t> target = std::span<std::uint8_t>(block_.get(), size_).subspan(
        static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < target.size()) {
        const auto rest = target.subspan(done);
        const ssize_t n = ::pread(fd_, rest.data(), rest.size(), static_cast<off_t>(offset + done));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return Fail(MpakError::Unreadable, CannotBe("read", errno), error);
        if (n == 0) return Fail(MpakError::Unreadable, "became shorter while it was being read", error);
        done += static_cast<std::size_t>(n);
    }
#else
    (void)offset;
    (void)length;
    (void)error;
#endif
    return true;
}

bool Fail(MpakStepError& error, MpakError kind, std::string detail) {
    error = {kind, std::move(detail)};
    return false;
}

}  // namespace

MpakMember MpakMember::Allocate(std::size_t size) {
    MpakMember member;
    // calloc: the block starts zeroed, so it never holds stale memory. One
    // byte at least, so an empty member is still "present".
    member.block_.reset(static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
    member.size_ = member.block_ ? size : 0;
    return member;
}

MpakMember MpakMember::AllocateToFill(std::size_t size) {
    MpakMember member;
    member.block_.reset(static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size)));
    member.size_ = member.block_ ? size : 0;
    return member;
}

std::string_view MpakErrorName(MpakError error) {
    switch (error) {
        case MpakError::None: return "no error";
        case MpakError::NotRegularFile: return "not a regular file";
        case MpakError::TooLarge: return "too large";
        case MpakError::Unreadable: return "unreadable";
        case MpakError::TooShortForHeader: return "too short for a header";
        case MpakError::BadMagic: return "bad magic";
        case MpakError::DirectoryOutsideFile: return "directory outside the file";
        case MpakError::DirectoryChecksum: return "directory checksum";
        case MpakError::DirectoryShort: return "directory inflates short";
        case MpakError::EntryCountImpossible: return "entry count impossible";
        case MpakError::MemberNotFound: return "member not found";
        case MpakError::MemberOutsideFile: return "member outside the file";
        case MpakError::MemberChecksum: return "member checksum";
        case MpakError::MemberShort: return "member inflates short";
        case MpakError::MemberSizeImpossible: return "member size impossible";
        case MpakError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

std::optional<MpakHeaderFields> ReadMpakHeader(std::span<const std::uint8_t> archive, MpakStepError& error) {
    const ByteView file(archive);
    if (!file.Contains(0, MpakHeader::kSize)) {
        Fail(error, MpakError::TooShortForHeader,
             file.size() == 0 ? std::string("is empty, not a game archive")
                              : "is too short for a game archive (" + Decimal(file.size()) +
                                    " bytes; the header alone takes " + Decimal(MpakHeader::kSize) + ")");
        return std::nullopt;
    }
    static constexpr std::array<std::uint8_t, 4> kMagic{'M', 'P', 'A', 'K'};
    for (std::size_t i = 0; i < kMagic.size(); ++i) {
        if (file.U8At(MpakHeader::kMagicOffset + i) != kMagic[i]) {
            Fail(error, MpakError::BadMagic, "is not a game archive (it does not begin with MPAK)");
            return std::nullopt;
        }
    }
    // Unmask the header into a copy; the archive bytes stay untouched.
    std::array<std::uint8_t, MpakHeader::kSize> header{};
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = *file.U8At(i);
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) {
        header[MpakHeader::kMaskedOffset + i] ^= static_cast<std::uint8_t>(i);
    }
    const ByteView head(header);
    // Every field lies inside the header's kSize bytes.
    const auto field = [&head](std::size_t offset) { return head.U32leAt(offset).value_or(0); };
    MpakHeaderFields fields;
    fields.directoryCrc = field(MpakHeader::kDirectoryCrcOffset);
    fields.directoryLength = field(MpakHeader::kDirectoryLengthOffset);
    fields.prefixBlockLength = field(MpakHeader::kPrefixBlockLengthOffset);
    fields.entryCount = static_cast<std::int32_t>(field(MpakHeader::kEntryCountOffset));
    return fields;
}

std::optional<MpakDirectory> InflateMpakDirectory(std::span<const std::uint8_t> archive, const MpakHeaderFields& header,
                                                  MpakStepError& error) {
    const ByteView file(archive);
    const auto compressed = file.Sub(header.directoryStart(), header.directoryLength);
    if (!compressed) {
        Fail(error, MpakError::DirectoryOutsideFile,
             CutShort("its list of contents", header.directoryLength, header.directoryStart(), file.size()));
        return std::nullopt;
    }
    if (Crc32Of(*compressed) != header.directoryCrc) {
        Fail(error, MpakError::DirectoryChecksum, "is damaged (its list of contents fails its checksum)");
        return std::nullopt;
    }
    const std::uint64_t bytes =
        header.entryCount > 0 ? std::uint64_t{static_cast<std::uint32_t>(header.entryCount)} * MpakDirectoryEntry::kSize : 0;
    if (header.entryCount <= 0 || bytes > std::uint64_t{header.directoryLength} * kMaxInflateRatio + MpakDirectoryEntry::kSize ||
        bytes > std::numeric_limits<std::size_t>::max()) {
        const std::string count = std::to_string(header.entryCount);
        Fail(error, MpakError::EntryCountImpossible,
             header.entryCount == 0 ? std::string("holds no files (its list of contents counts 0)")
             : header.entryCount < 0
                 ? "is damaged (its list of contents gives " + count + " as its number of files)"
                 : "is damaged (its list of contents counts " + count + " files, more than its " +
                       Decimal(header.directoryLength) + " packed bytes can hold)");
        return std::nullopt;
    }
    // Not zeroed: only what the inflate produced is ever read, and a large
    // claim costs no memory it does not fill.
    MpakDirectory directory;
    directory.block.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    if (!directory.block) {
        Fail(error, MpakError::OutOfMemory,
             "cannot be read: not enough memory for its list of contents (" + Decimal(bytes) + " bytes)");
        return std::nullopt;
    }
    // A stream that stops before it gave every entry the header counts is
    // damaged: ended early, broken, or a count that does not fit it.
    const std::size_t produced =
        Inflate(*compressed, std::span<std::uint8_t>(directory.block.get(), static_cast<std::size_t>(bytes)));
    if (produced != bytes) {
        Fail(error, MpakError::DirectoryShort, "is damaged (its list of contents does not inflate to its stated size)");
        return std::nullopt;
    }
    directory.size = produced;
    return directory;
}

std::optional<MpakEntryFields> FindMpakEntry(std::span<const std::uint8_t> directory, std::string_view memberName,
                                             MpakStepError& error) {
    const ByteView entries(directory);
    for (std::uint64_t at = 0; entries.Contains(at, MpakDirectoryEntry::kSize); at += MpakDirectoryEntry::kSize) {
        const ByteView entry = *entries.Sub(at, MpakDirectoryEntry::kSize);
        const auto name = entry.FixedStringAt(MpakDirectoryEntry::kNameOffset, MpakDirectoryEntry::kNameSize);
        if (!name || !EqualsIgnoringAsciiCase(*name, memberName)) continue;
        // Every field lies inside the entry's kSize bytes.
        const auto field = [&entry](std::size_t offset) { return entry.U32leAt(offset).value_or(0); };
        MpakEntryFields fields;
        fields.name = *name;
        fields.inflatedSize = field(MpakDirectoryEntry::kInflatedSizeOffset);
        fields.dataOffset = field(MpakDirectoryEntry::kDataOffsetOffset);
        fields.compressedSize = field(MpakDirectoryEntry::kCompressedSizeOffset);
        fields.compressedCrc = field(MpakDirectoryEntry::kCompressedCrcOffset);
        return fields;
    }
    Fail(error, MpakError::MemberNotFound, "does not contain " + std::string(memberName));
    return std::nullopt;
}

MpakMember ReadMpakMemberData(std::span<const std::uint8_t> archive, const MpakHeaderFields& header,
                              const MpakEntryFields& entry, MpakStepError& error) {
    const ByteView file(archive);
    const std::uint64_t start = header.dataAreaStart() + entry.dataOffset;
    const auto compressed = file.Sub(start, entry.compressedSize);
    if (!compressed) {
        Fail(error, MpakError::MemberOutsideFile, CutShort(entry.name, entry.compressedSize, start, file.size()));
        return {};
    }
    // The CRC guards the compressed bytes; checking it first spares a useless
    // inflate and gives the same result.
    if (Crc32Of(*compressed) != entry.compressedCrc) {
        Fail(error, MpakError::MemberChecksum, "is damaged (" + entry.name + " fails its checksum)");
        return {};
    }
    // A member that claims more bytes than its stream could ever produce is
    // damaged; refusing it spares allocating gigabytes for a few bytes.
    if (entry.inflatedSize > std::uint64_t{entry.compressedSize} * kMaxInflateRatio + MpakDirectoryEntry::kSize) {
        Fail(error, MpakError::MemberSizeImpossible,
             "is damaged (" + entry.name + " claims " + Decimal(entry.inflatedSize) + " bytes unpacked, more than its " +
                 Decimal(entry.compressedSize) + " packed bytes can hold)");
        return {};
    }
    // Filled whole by the inflate, or dropped.
    MpakMember member = MpakMember::AllocateToFill(entry.inflatedSize);
    if (!member) {
        Fail(error, MpakError::OutOfMemory,
             "cannot be read: not enough memory for " + entry.name + " (" + Decimal(entry.inflatedSize) + " bytes)");
        return {};
    }
    const std::span<std::uint8_t> out(member.data(), member.size());
    // A stream longer than the stated size is cut there; one that stops
    // before it is damaged (the CRC covers the stored bytes, however few).
    if (Inflate(*compressed, out) != out.size()) {
        Fail(error, MpakError::MemberShort, "is damaged (" + entry.name + " does not inflate to its stated size)");
        return {};
    }
    return member;
}

namespace {

MpakRead Failed(const MpakStepError& error, std::string_view archiveName) {
    MpakRead read;
    read.error = error.error;
    read.reason = std::string(archiveName) + " " + error.detail;
    return read;
}

}  // namespace

MpakRead ReadMpakMemberFromBytes(std::span<const std::uint8_t> archive, std::string_view memberName,
                                 std::string_view archiveName) {
    MpakStepError error;
    const auto header = ReadMpakHeader(archive, error);
    if (!header) return Failed(error, archiveName);
    const auto directory = InflateMpakDirectory(archive, *header, error);
    if (!directory) return Failed(error, archiveName);
    const auto entry = FindMpakEntry(directory->bytes(), memberName, error);
    if (!entry) return Failed(error, archiveName);
    MpakRead read;
    read.member = ReadMpakMemberData(archive, *header, *entry, error);
    if (!read.member) return Failed(error, archiveName);
    return read;
}

MpakRead ReadMpakMember(const std::string& archivePath, std::string_view memberName) {
    if (archivePath.empty()) {
        MpakRead read;
        read.error = MpakError::Unreadable;
        read.reason = "no game archive was chosen";
        return read;
    }
    // The steps of ReadMpakMemberFromBytes, each region read just before the
    // step that checks it.
    ArchiveFile file;
    MpakStepError error;
    if (!file.Open(archivePath, error) || !file.ReadRegion(0, MpakHeader::kSize, error)) {
        return Failed(error, archivePath);
    }
    const std::span<const std::uint8_t> archive = file.bytes();
    const auto header = ReadMpakHeader(archive, error);
    if (!header) return Failed(error, archivePath);
    if (!file.ReadRegion(header->directoryStart(), header->directoryLength, error)) return Failed(error, archivePath);
    const auto directory = InflateMpakDirectory(archive, *header, error);
    if (!directory) return Failed(error, archivePath);
    const auto entry = FindMpakEntry(directory->bytes(), memberName, error);
    if (!entry) return Failed(error, archivePath);
    if (!file.ReadRegion(header->dataAreaStart() + entry->dataOffset, entry->compressedSize, error)) {
        return Failed(error, archivePath);
    }
    MpakRead read;
    read.member = ReadMpakMemberData(archive, *header, *entry, error);
    if (!read.member) return Failed(error, archivePath);
    return read;
}

}  // namespace artisanscope
