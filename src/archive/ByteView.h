#pragma once
// A read-only window on bytes whose length is known. Every read is checked
// against that length: one that does not fit returns nothing and changes
// nothing, never a made-up 0. This is the only place that turns offsets into
// addresses.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace artisanscope {

class ByteView {
public:
    ByteView() = default;
    explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<const std::uint8_t> span() const { return bytes_; }

    // True when [offset, offset + length) lies inside the view. Written so that
    // no sum can wrap: offset is compared first, then length against the rest.
    bool Contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    // The sub-view [offset, offset + length), or nothing when it does not fit.
    std::optional<ByteView> Sub(std::uint64_t offset, std::uint64_t length) const {
        if (!Contains(offset, length)) return std::nullopt;
        return ByteView(bytes_.subspan(static_cast<std::size_t>(offset),
                                       static_cast<std::size_t>(length)));
    }

    std::optional<std::uint8_t> U8At(std::uint64_t offset) const {
        if (!Contains(offset, 1)) return std::nullopt;
        return bytes_[static_cast<std::size_t>(offset)];
    }

    std::optional<std::uint16_t> U16leAt(std::uint64_t offset) const {
        if (!Contains(offset, 2)) return std::nullopt;
        return LoadLe<std::uint16_t>(static_cast<std::size_t>(offset));
    }

    std::optional<std::uint32_t> U32leAt(std::uint64_t offset) const {
        if (!Contains(offset, 4)) return std::nullopt;
        return LoadLe<std::uint32_t>(static_cast<std::size_t>(offset));
    }

    // The NUL-terminated text that starts at offset, without its NUL; nothing
    // when the start lies outside or no NUL follows inside the view.
    std::optional<std::string_view> CStringAt(std::uint64_t offset) const {
        if (offset >= bytes_.size()) return std::nullopt;
        const auto o = static_cast<std::size_t>(offset);
        const void* nul = std::memchr(bytes_.data() + o, 0, bytes_.size() - o);
        if (nul == nullptr) return std::nullopt;
        const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) -
                                                     (bytes_.data() + o));
        return std::string_view(reinterpret_cast<const char*>(bytes_.data() + o), length);
    }

    // Text of at most maxLength bytes starting at offset, cut at the first NUL.
    // Used for fixed-width name fields that need not hold a NUL.
    std::optional<std::string_view> FixedStringAt(std::uint64_t offset, std::size_t maxLength) const {
        if (!Contains(offset, maxLength)) return std::nullopt;
        const auto o = static_cast<std::size_t>(offset);
        const void* nul = std::memchr(bytes_.data() + o, 0, maxLength);
        const std::size_t length =
            nul == nullptr ? maxLength
                           : static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) -
                                                      (bytes_.data() + o));
        return std::string_view(reinterpret_cast<const char*>(bytes_.data() + o), length);
    }

private:
    // The little-endian unsigned value of sizeof(T) bytes at o, which the
    // caller checked. One load on a little-endian machine.
    template <typename T>
    T LoadLe(std::size_t o) const {
        if constexpr (std::endian::native == std::endian::little) {
            T value;
            std::memcpy(&value, bytes_.subspan(o, sizeof(T)).data(), sizeof(T));
            return value;
        } else {
            T value = 0;
            for (std::size_t k = sizeof(T); k-- > 0;) value = static_cast<T>((value << 8) | bytes_[o + k]);
            return value;
        }
    }

    std::span<const std::uint8_t> bytes_;
};

}  // namespace artisanscope
