#pragma once
// The one buffered output of the text, XML, CSV and JSON exports and of the
// comparison report: bytes gathered in memory and handed to a FILE in
// blocks of kBlockBytes. A full block is written by a thread of its own
// while the next one fills, so formatting and the system's copying of the
// bytes run side by side; WriteBlock() writes whatever is left and returns
// when every byte has reached the file (and the file's buffer is flushed).
// After the first failure nothing more is written (the output is thrown away
// whole) and failure() says which step failed and why; a block's failure is
// seen when the next block is handed over, or at WriteBlock() at the latest.
//
// Writers append to buffer() and call Written(); RapidJSON writes through
// Put/PutN as its output stream.
//
// Built with ARTISANSCOPE_THREADS=0 (WebAssembly has no threads), every block
// is written by the filling side, in the same order and with the same bytes.

#ifndef ARTISANSCOPE_THREADS
#define ARTISANSCOPE_THREADS 1
#endif

#include "io/WriteFailure.h"
#include "io/TextCursor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#if ARTISANSCOPE_THREADS
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace artisanscope {

#if ARTISANSCOPE_THREADS

// Writes blocks to a FILE on a thread of its own, one at a time: two buffers
// alternate between the filling side and this one.
class BlockWriterThread {
public:
    // Starts the thread; throws std::system_error when none can be started.
    explicit BlockWriterThread(std::FILE* file);
    // Waits for the block in hand, then ends the thread.
    ~BlockWriterThread();
    BlockWriterThread(const BlockWriterThread&) = delete;
    BlockWriterThread& operator=(const BlockWriterThread&) = delete;

    // Waits until the block in hand (if any) is written and flushed; then
    // its failure, if it had one.
    WriteFailure Wait();
    // After Wait(): takes the first size bytes of block to write, and leaves
    // in block the buffer it wrote before (empty the first time).
    void Write(std::string& block, std::size_t size);

private:
    void Run();

    std::FILE* file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string block_;
    std::size_t size_ = 0;
    bool busy_ = false;  // block_ holds bytes not yet written
    bool stopping_ = false;
    WriteFailure failure_;
    std::thread thread_;  // last: starts when everything above is ready
};
#endif

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
        if (Size() >= kBlockBytes) HandOver();
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

    // Room for a line of at most n bytes, to fill through the cursor and
    // hand back with Commit; nothing else is put in between. Filling bytes
    // held in a local cursor keeps its place in registers, where a member
    // would be reloaded after every byte stored.
    TextCursor Claim(std::size_t n) {
        if (room_ - put_ < n) MakeRoom(n);
        return TextCursor(std::span<char>(buffer_).subspan(put_, n));
    }
    void Commit(const TextCursor& line) {
        if (line.overflowed()) {
            Fail({WriteFailure::Step::Write, 0, "a line outgrew the room claimed for it"});
            return;
        }
        put_ += line.size();
        Written();
    }

    // Hands everything gathered to the file and flushes the file's own buffer.
    void WriteBlock() {
#if ARTISANSCOPE_THREADS
        if (writer_) Fail(writer_->Wait());
#endif
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
        if (!failure_ && failure) failure_ = std::move(failure);
    }

    bool ok() const { return !failure_; }
    const WriteFailure& failure() const { return failure_; }

private:
    // A full block to the writer thread, which the first full block starts;
    // without one, the block is written here.
    void HandOver();

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
#if ARTISANSCOPE_THREADS
    // Started at the first full block; null before, and when no thread could
    // be started (every block is then written by the filling side).
    std::unique_ptr<BlockWriterThread> writer_;
    bool writerUnavailable_ = false;
#endif
};

// RapidJSON's writers find this through argument-dependent lookup, in place
// of their character-by-character default, for every line's indentation.
inline void PutN(BlockOutput& output, char c, std::size_t n) { output.PutN(c, n); }

}  // namespace artisanscope
