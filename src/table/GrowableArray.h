#pragma once
// A growable array of trivially copyable values in one block from the C
// heap. It grows and shrinks with realloc: the C library keeps large blocks
// in mappings of their own and moves them by remapping pages, so a table of
// millions of entries grows without copying and without touching memory it
// does not fill. Running out of memory is reported by result, not thrown.
//
// Large blocks are offered to the kernel for huge pages: filling hundreds of
// MiB page by page costs a fault per 4 KiB, which on virtual machines is the
// larger part of building a maximum-size tree.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace artisanscope {

// Blocks from this size on (bytes) are advised for transparent huge pages.
inline constexpr std::size_t kHugePageAdviceBytes = std::size_t{4} << 20;
// Address space a block takes at once when it grows past the size above, so
// that it stays in place and keeps its huge pages (a move by remapping splits
// them). Untouched address space is no memory on Linux, and ShrinkToFit()
// gives back what stays unused; elsewhere blocks just double.
#if defined(__linux__)
inline constexpr std::size_t kLargeReserveBytes = std::size_t{256} << 20;
#else
inline constexpr std::size_t kLargeReserveBytes = 0;
#endif

// Asks the kernel to back the whole pages inside [block, block + bytes) with
// huge pages where it can. Only a hint: contents and size do not change, and
// a refusal is ignored.
inline void AdviseHugePages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kPage = 4096;
    // Address arithmetic for the system call only; nothing is read or written.
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kPage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

template <typename T>
class GrowableArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

public:
    GrowableArray() = default;
    ~GrowableArray() { std::free(data_); }
    // A copy holds exactly the elements; it throws std::bad_alloc, as the
    // standard containers do, when it cannot get them.
    GrowableArray(const GrowableArray& other) {
        if (!Reallocate(other.size_)) throw std::bad_alloc();
        size_ = other.size_;
        if (size_ != 0) std::memcpy(data_, other.data_, size_ * sizeof(T));
    }
    GrowableArray& operator=(const GrowableArray& other) {
        if (this != &other) {
            GrowableArray copy(other);
            swap(copy);
        }
        return *this;
    }
    GrowableArray(GrowableArray&& other) noexcept { swap(other); }
    GrowableArray& operator=(GrowableArray&& other) noexcept {
        GrowableArray taken(std::move(other));
        swap(taken);
        return *this;
    }

    void swap(GrowableArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    // Index below size(); not checked.
    T& operator[](std::size_t i) { return std::span<T>(data_, size_)[i]; }
    const T& operator[](std::size_t i) const { return std::span<const T>(data_, size_)[i]; }
    std::span<const T> view() const { return {data_, size_}; }

    // Makes room for at least n elements; false, with nothing changed, when
    // memory runs out.
    bool Reserve(std::size_t n) {
        if (n <= capacity_) return true;
        const std::size_t doubled = Doubled(n);
        const std::size_t preferred = Large(doubled);
        return Reallocate(preferred) || (preferred != doubled && Reallocate(doubled));
    }

    // Appends; false, with nothing changed, when memory runs out.
    bool PushBack(const T& value) {
        if (!Reserve(size_ + 1)) return false;
        Whole()[size_++] = value;
        return true;
    }
    bool Append(std::span<const T> values) {
        if (values.size() > std::numeric_limits<std::size_t>::max() - size_ || !Reserve(size_ + values.size())) {
            return false;
        }
        if (!values.empty()) std::memcpy(Whole().subspan(size_).data(), values.data(), values.size_bytes());
        size_ += values.size();
        return true;
    }

    // Appends into room a Reserve() already made: size() < capacity() (or
    // size() + values.size() <= capacity()) must hold; not checked.
    void PushBackReserved(const T& value) { Whole()[size_++] = value; }
    void AppendReserved(std::span<const T> values) {
        if (!values.empty()) std::memcpy(Whole().subspan(size_, values.size()).data(), values.data(), values.size_bytes());
        size_ += values.size();
    }

    // Sets the size to exactly n elements, new ones set to value, without
    // spare capacity; false, with nothing changed, when memory runs out.
    bool Assign(std::size_t n, const T& value) {
        if (n != capacity_ && !Reallocate(n)) return false;
        size_ = n;
        for (T& element : Whole()) element = value;
        return true;
    }

    // Size 0; the capacity stays for the next fill.
    void Clear() { size_ = 0; }

    // Gives back the capacity beyond size(); keeps the larger block when the
    // C library cannot shrink it.
    void ShrinkToFit() {
        if (capacity_ > size_) Reallocate(size_);
    }

private:
    std::span<T> Whole() { return {data_, capacity_}; }

    // Doubling keeps appends amortised constant; for large blocks realloc
    // only reserves address space, so doubling costs no memory until used.
    std::size_t Doubled(std::size_t needed) const {
        std::size_t next = capacity_ < 16 ? 16 : capacity_;
        while (next < needed && next <= std::numeric_limits<std::size_t>::max() / 2) next *= 2;
        return next < needed ? needed : next;
    }
    // A block that passes kHugePageAdviceBytes takes kLargeReserveBytes.
    static std::size_t Large(std::size_t elements) {
        const std::size_t large = kLargeReserveBytes / sizeof(T);
        return elements >= kHugePageAdviceBytes / sizeof(T) && elements < large ? large : elements;
    }

    bool Reallocate(std::size_t n) {
        if (n == 0) {
            std::free(data_);
            data_ = nullptr;
            size_ = capacity_ = 0;
            return true;
        }
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) return false;
        void* block = std::realloc(data_, n * sizeof(T));
        if (block == nullptr) return false;
        if (n * sizeof(T) >= kHugePageAdviceBytes && n > capacity_) AdviseHugePages(block, n * sizeof(T));
        data_ = static_cast<T*>(block);
        capacity_ = n;
        if (size_ > n) size_ = n;
        return true;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace artisanscope
