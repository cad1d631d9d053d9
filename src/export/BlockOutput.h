#pragma once
// The one buffered output of the text, XML, CSV and JSON exports and of the
// comparison report: bytes gathered in memory and handed to a FILE in
// blocks of kBlockBytes, each flushed at once so that a failure is seen at
// the write that caused it, with its errno. After the first failure nothing
// more is written (the output is thrown away whole) and failure() says which
// step failed and why.
//
// Writers append to buffer() and call Written(); RapidJSON writes through
// Put/PutN as its output stream.

#include "load/WriteFailure.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace artisanscope {

class BlockOutput {
public:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    // Writes to file, which stays the caller's; without a file every write fails.
    // The buffer grows with what is gathered, up to about a block, so that a
    // short output does not touch a whole block's memory.
    explicit BlockOutput(std::FILE* file) : file_(file) {}
    BlockOutput(const BlockOutput&) = delete;
    BlockOutput& operator=(const BlockOutput&) = delete;

    // Append here, then call Written().
    std::string& buffer() {
        Settle();
        return buffer_;
    }
    void Written() {
        if (Size() >= kBlockBytes) WriteBlock();
    }

    // RapidJSON's output stream, one byte at a time: straight into the
    // buffer's room, as into a plain array. Its Flush comes at the end of a
    // document.
    using Ch = char;
    void Put(char c) {
        if (put_ == room_) MakeRoom(1);
        buffer_[put_++] = c;
    }
    void PutN(char c, std::size_t n) {
        if (n == 0) return;
        if (room_ - put_ < n) MakeRoom(n);
        std::fill_n(&buffer_[put_], n, c);
        put_ += n;
    }
    void Flush() { WriteBlock(); }

    // Hands everything gathered to the file and flushes the file's own buffer.
    void WriteBlock() {
        const std::size_t size = Size();
        if (!failure_ && size > 0) {
            errno = 0;
            if (file_ == nullptr) {
                failure_ = {WriteFailure::Step::Write, EBADF, {}};
            } else if (std::fwrite(buffer_.data(), 1, size, file_) != size) {
                failure_ = WriteFailure::OfErrno(WriteFailure::Step::Write);
            } else if (std::fflush(file_) != 0) {
                failure_ = WriteFailure::OfErrno(WriteFailure::Step::Flush);
            }
        }
        if (putting_) {
            put_ = 0;
        } else {
            buffer_.clear();
        }
    }

    // Marks the output failed for a reason of the writer's own.
    void Fail(WriteFailure failure) {
        if (!failure_) failure_ = std::move(failure);
    }

    bool ok() const { return !failure_; }
    const WriteFailure& failure() const { return failure_; }

private:
    // Bytes gathered and not yet written.
    std::size_t Size() const { return putting_ ? put_ : buffer_.size(); }
    // Back from putting bytes to appending: the string ends where they do.
    void Settle() {
        if (!putting_) return;
        buffer_.resize(put_);
        putting_ = false;
        put_ = room_ = 0;
    }
    // Room for at least n more bytes to put: the string is stretched over its
    // whole capacity (once, not per byte) and put_ runs through it.
    void MakeRoom(std::size_t n) {
        const std::size_t used = Size();
        Settle();
        if (buffer_.capacity() < used + n) {
            buffer_.reserve(std::max(used + n, std::min(2 * buffer_.capacity() + 4096, kBlockBytes + 64 * 1024)));
        }
        buffer_.resize(buffer_.capacity());
        putting_ = true;
        put_ = used;
        room_ = buffer_.size();
    }

    std::FILE* file_;
    // Appending: the gathered bytes are the whole string. Putting: they are
    // its first put_ bytes, and the string runs to room_, its capacity.
    std::string buffer_;
    bool putting_ = false;
    std::size_t put_ = 0;
    std::size_t room_ = 0;
    WriteFailure failure_;
};

// RapidJSON's writers find this through argument-dependent lookup, in place
// of their character-by-character default, for every line's indentation.
inline void PutN(BlockOutput& output, char c, std::size_t n) { output.PutN(c, n); }

}  // namespace artisanscope
