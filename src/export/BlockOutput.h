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

#include "load/ExportWriter.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace artisanscope {

class BlockOutput {
public:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    // Writes to file, which stays the caller's; without a file every write fails.
    explicit BlockOutput(std::FILE* file) : file_(file) { buffer_.reserve(kBlockBytes + 64 * 1024); }
    BlockOutput(const BlockOutput&) = delete;
    BlockOutput& operator=(const BlockOutput&) = delete;

    // Append here, then call Written().
    std::string& buffer() { return buffer_; }
    void Written() {
        if (buffer_.size() >= kBlockBytes) WriteBlock();
    }

    // RapidJSON's output stream. Its Flush comes at the end of a document.
    using Ch = char;
    void Put(char c) { buffer_.push_back(c); }
    void PutN(char c, std::size_t n) { buffer_.append(n, c); }
    void Flush() { WriteBlock(); }

    // Hands everything gathered to the file and flushes the file's own buffer.
    void WriteBlock() {
        if (!failure_ && !buffer_.empty()) {
            errno = 0;
            if (file_ == nullptr) {
                failure_ = {WriteFailure::Step::Write, EBADF, {}};
            } else if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
                failure_ = WriteFailure::OfErrno(WriteFailure::Step::Write);
            } else if (std::fflush(file_) != 0) {
                failure_ = WriteFailure::OfErrno(WriteFailure::Step::Flush);
            }
        }
        buffer_.clear();
    }

    // Marks the output failed for a reason of the writer's own.
    void Fail(WriteFailure failure) {
        if (!failure_) failure_ = std::move(failure);
    }

    bool ok() const { return !failure_; }
    const WriteFailure& failure() const { return failure_; }

private:
    std::FILE* file_;
    std::string buffer_;
    WriteFailure failure_;
};

// RapidJSON's writers find this through argument-dependent lookup, in place
// of their character-by-character default, for every line's indentation.
inline void PutN(BlockOutput& output, char c, std::size_t n) { output.PutN(c, n); }

}  // namespace artisanscope
