#pragma once
// Reader for MPAK game archives (Camelot's *.mpk): finds one member by name,
// checks it and hands it over inflated. The reader only reads; it shows no
// messages and keeps nothing between calls. Every failure gives an empty
// member.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
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

// An inflated member: one owned, zero-initialised block and its length in
// bytes. Empty (null data) when the member could not be had.
class MpakMember {
public:
    MpakMember() = default;
    static MpakMember Allocate(std::size_t size);

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

// Reads the archive at archivePath (a path in the platform's file-name
// encoding) and returns the member whose name matches memberName, ignoring
// the case of ASCII letters only. The file must be a regular file no larger
// than kMaxArchiveBytes.
MpakMember ReadMpakMember(const std::string& archivePath, std::string_view memberName);

// The same on an archive already in memory; ReadMpakMember reads the file and
// calls this.
MpakMember ReadMpakMemberFromBytes(std::span<const std::uint8_t> archive, std::string_view memberName);

// Name comparison used for members: ASCII letters compare without case, every
// other byte must be equal.
bool MpakNamesEqual(std::string_view a, std::string_view b);

}  // namespace artisanscope
