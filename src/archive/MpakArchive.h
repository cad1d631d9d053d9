#pragma once
// Reader for MPAK game archives (Camelot's *.mpk): finds one member by name,
// checks it and hands it over inflated. The reader only reads; it shows no
// messages and keeps nothing between calls. Every failure gives an empty
// member and says why.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace artisanscope {

// Field positions of the 21-byte archive header. The 16 bytes from offset 5
// on are stored masked: byte 5 + i is XOR-ed with i.
struct MpakHeader {
    static constexpr std::size_t kMagicOffset = 0;
    static constexpr std::size_t kDirectoryCrcOffset = 5;
    static constexpr std::size_t kDirectoryLengthOffset = 9;
    static constexpr std::size_t kPrefixBlockLengthOffset = 13;
    static constexpr std::size_t kEntryCountOffset = 17;
    static constexpr std::size_t kMaskedOffset = 5;
    static constexpr std::size_t kMaskedLength = 16;
    static constexpr std::size_t kSize = 21;
};

// One record of the inflated directory, 284 bytes.
struct MpakDirectoryEntry {
    static constexpr std::size_t kNameOffset = 0;
    static constexpr std::size_t kNameSize = 256;
    static constexpr std::size_t kInflatedSizeOffset = 268;
    static constexpr std::size_t kDataOffsetOffset = 272;
    static constexpr std::size_t kCompressedSizeOffset = 276;
    static constexpr std::size_t kCompressedCrcOffset = 280;
    static constexpr std::size_t kSize = 284;
};

// Archives larger than this are refused before anything is allocated. Real
// game archives are a few MiB to a few hundred MiB.
inline constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{1} << 30;

// An inflated member: one owned block and its length in bytes. Empty (null
// data) when the member could not be had.
class MpakMember {
public:
    MpakMember() = default;
    // Zero-initialised.
    static MpakMember Allocate(std::size_t size);
    // Not initialised, for a caller that fills every byte or drops the
    // member: no pass over memory that is written next anyway (WebAssembly's
    // allocator would clear every byte of a fresh block).
    static MpakMember AllocateToFill(std::size_t size);

    explicit operator bool() const { return block_ != nullptr; }
    const std::uint8_t* data() const { return block_.get(); }
    std::uint8_t* data() { return block_.get(); }
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> bytes() const { return {block_.get(), size_}; }
    void reset() { block_.reset(); size_ = 0; }

private:
    struct FreeDeleter { void operator()(std::uint8_t* p) const { std::free(p); } };
    std::unique_ptr<std::uint8_t, FreeDeleter> block_;
    std::size_t size_ = 0;
};

// Why a member could not be had, one value per check of the reader.
enum class MpakError : std::uint8_t {
    None,
    NotRegularFile,        // a folder, FIFO, device...
    TooLarge,              // above kMaxArchiveBytes
    Unreadable,            // cannot be opened or read
    TooShortForHeader,     // fewer than 21 bytes
    BadMagic,              // does not start with "MPAK"
    DirectoryOutsideFile,  // prefix block and directory run past the end
    DirectoryChecksum,     // CRC-32 of the compressed directory differs
    DirectoryShort,        // the stream gives fewer than entryCount entries
    EntryCountImpossible,  // not positive, or more entries than the stream could hold
    MemberNotFound,
    MemberOutsideFile,     // dataOffset and compressedSize run past the end
    MemberChecksum,        // CRC-32 of the member's compressed bytes differs
    MemberShort,           // the stream gives fewer than inflatedSize bytes
    MemberSizeImpossible,  // inflatedSize no stream of compressedSize could fill
    OutOfMemory,
};

// Short English name of an error, e.g. "member not found".
std::string_view MpakErrorName(MpakError error);

// A read member, or why there is none. `reason` says it in words a player
// understands, beginning with the archive's name and ending, where they
// help, with the numbers that failed in parentheses, e.g.
// "data/ifd.mpk is not a game archive (it does not begin with MPAK)".
struct MpakRead {
    MpakMember member;
    MpakError error = MpakError::None;
    std::string reason;
    explicit operator bool() const { return static_cast<bool>(member); }
};

// The reader's steps, one per structure of the file; each either returns
// its structure or sets the error and a reason that follows the archive's
// name ("is damaged (its list of contents fails its checksum)").
struct MpakStepError {
    MpakError error = MpakError::None;
    std::string detail;
};

// The unmasked header fields and the regions they place.
struct MpakHeaderFields {
    std::uint32_t directoryCrc = 0;
    std::uint32_t directoryLength = 0;
    std::uint32_t prefixBlockLength = 0;
    std::int32_t entryCount = 0;
    // 64-bit sums of 32-bit fields: they cannot wrap.
    std::uint64_t directoryStart() const { return MpakHeader::kSize + std::uint64_t{prefixBlockLength}; }
    std::uint64_t dataAreaStart() const { return directoryStart() + directoryLength; }
};

// The directory fields of one member.
struct MpakEntryFields {
    std::string name;  // as the directory stores it
    std::uint32_t inflatedSize = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t compressedCrc = 0;
};

// Header step: length, magic, unmasking.
std::optional<MpakHeaderFields> ReadMpakHeader(std::span<const std::uint8_t> archive, MpakStepError& error);

// The inflated directory: entryCount entries.
struct MpakDirectory {
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t size = 0;  // a multiple of MpakDirectoryEntry::kSize
    std::span<const std::uint8_t> bytes() const { return {block.get(), size}; }
};

// Directory step: its extent in the file, its CRC-32 and its entry count are
// checked, then it is inflated; a stream that gives fewer entries than the
// count is refused, the entries of a longer one beyond the count ignored.
std::optional<MpakDirectory> InflateMpakDirectory(std::span<const std::uint8_t> archive, const MpakHeaderFields& header,
                                                  MpakStepError& error);

// Lookup step: the first whole entry whose name matches memberName.
std::optional<MpakEntryFields> FindMpakEntry(std::span<const std::uint8_t> directory, std::string_view memberName,
                                             MpakStepError& error);

// Member step: its extent, its CRC-32 and its recorded size are checked,
// then it is inflated into a block of exactly inflatedSize bytes; a stream
// that gives fewer is refused, a longer one cut at that size.
MpakMember ReadMpakMemberData(std::span<const std::uint8_t> archive, const MpakHeaderFields& header,
                              const MpakEntryFields& entry, MpakStepError& error);

// Deflate cannot expand data by more than about 1032:1: a directory or member
// that claims more bytes than this is refused before anything is allocated.
inline constexpr std::uint64_t kMaxInflateRatio = 1032;

// Reads the archive at archivePath (a path in the platform's file-name
// encoding) and returns the member whose name matches memberName, ignoring
// the case of ASCII letters only. The file must be a regular file no larger
// than kMaxArchiveBytes. Reasons name the archive by archivePath.
MpakRead ReadMpakMember(const std::string& archivePath, std::string_view memberName);

// The same on an archive already in memory, named archiveName in reasons:
// the four steps above in order.
MpakRead ReadMpakMemberFromBytes(std::span<const std::uint8_t> archive, std::string_view memberName,
                                 std::string_view archiveName = "the archive");

}  // namespace artisanscope
