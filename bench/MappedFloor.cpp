#include "MappedFloor.h"

#include "archive/ByteView.h"
#include "archive/MpakArchive.h"
#include "io/AsciiCase.h"

#include <libdeflate.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace artisanscope::bench {
namespace {

constexpr std::size_t kWriteBlock = 256 * 1024;

// A read-only mapping of a whole file; empty when it cannot be had. The
// bench data is not changed while the floor runs, so the mapping is safe
// here.
class Mapping {
public:
    explicit Mapping(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* at = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (at != MAP_FAILED) {
                data_ = static_cast<const std::uint8_t*>(at);
                size_ = static_cast<std::size_t>(info.st_size);
            }
        }
        ::close(fd);
    }
    ~Mapping() {
        if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    ByteView view() const { return ByteView(std::span<const std::uint8_t>(data_, size_)); }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

struct Inflater {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Inflater() { libdeflate_free_decompressor(d); }
    // Inflates src into out, which ends up with the bytes produced; false on
    // any broken stream.
    bool Into(ByteView src, std::vector<std::uint8_t>& out, std::size_t capacity) {
        out.resize(capacity);
        std::size_t produced = 0;
        if (d == nullptr || libdeflate_zlib_decompress(d, src.span().data(), src.size(), out.data(), out.size(),
                                                       &produced) != LIBDEFLATE_SUCCESS) {
            return false;
        }
        out.resize(produced);
        return true;
    }
};

}  // namespace

bool RunMappedFloor(const std::string& archivePath, std::string_view memberName, const std::string& outputPath,
                    std::size_t outputBytes) {
    const Mapping mapping(archivePath);
    const ByteView archive = mapping.view();
    if (!archive.Contains(0, MpakHeader::kSize)) return false;

    std::array<std::uint8_t, MpakHeader::kSize> header{};
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = *archive.U8At(i);
    for (std::size_t i = 0; i < MpakHeader::kMaskedLength; ++i) header[MpakHeader::kMaskedOffset + i] ^= static_cast<std::uint8_t>(i);
    const ByteView head(header);
    const std::uint64_t directoryStart = MpakHeader::kSize + std::uint64_t{head.U32leAt(MpakHeader::kPrefixBlockLengthOffset).value_or(0)};
    const std::uint32_t directoryLength = head.U32leAt(MpakHeader::kDirectoryLengthOffset).value_or(0);
    const auto entries = head.U32leAt(MpakHeader::kEntryCountOffset).value_or(0);
    const auto compressedDirectory = archive.Sub(directoryStart, directoryLength);
    if (!compressedDirectory || entries == 0 || entries > 65536) return false;
    Inflater inflater;
    std::vector<std::uint8_t> directoryBytes;
    if (!inflater.Into(*compressedDirectory, directoryBytes, std::size_t{entries} * MpakDirectoryEntry::kSize)) return false;
    const ByteView directory(directoryBytes);

    for (std::uint64_t at = 0; directory.Contains(at, MpakDirectoryEntry::kSize); at += MpakDirectoryEntry::kSize) {
        const ByteView entry = *directory.Sub(at, MpakDirectoryEntry::kSize);
        if (!EqualsIgnoringAsciiCase(*entry.FixedStringAt(0, MpakDirectoryEntry::kNameSize), memberName)) continue;
        const auto compressed = archive.Sub(directoryStart + directoryLength + entry.U32leAt(MpakDirectoryEntry::kDataOffsetOffset).value_or(0),
                                            entry.U32leAt(MpakDirectoryEntry::kCompressedSizeOffset).value_or(0));
        std::vector<std::uint8_t> member;
        if (!compressed || !inflater.Into(*compressed, member, entry.U32leAt(MpakDirectoryEntry::kInflatedSizeOffset).value_or(0)) ||
            member.empty()) {
            return false;
        }

        const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) return false;
        // One block of output, cut from the member and repeated.
        std::vector<char> block(kWriteBlock);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(member[i % member.size()]);
        bool ok = true;
        for (std::size_t left = outputBytes; left > 0 && ok;) {
            const std::size_t n = left < block.size() ? left : block.size();
            const ssize_t written = ::write(out, block.data(), n);
            ok = written > 0;
            if (ok) left -= static_cast<std::size_t>(written);
        }
        ok = ::close(out) == 0 && ok;
        return ok;
    }
    return false;
}

}  // namespace artisanscope::bench
