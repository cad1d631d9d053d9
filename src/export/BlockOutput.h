#pragma once
// Bytes gathered in memory and handed to a FILE in large blocks, for the
// exports that write hundreds of megabytes. Remembers whether every block
// reached the FILE in full.

#include <cstdio>
#include <string>

namespace artisanscope {

class BlockOutput {
public:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    explicit BlockOutput(std::FILE* file) : file_(file) { buffer_.reserve(kBlockBytes + 4096); }
    BlockOutput(const BlockOutput&) = delete;
    BlockOutput& operator=(const BlockOutput&) = delete;

    // Append here, then call Written().
    std::string& buffer() { return buffer_; }
    void Written() {
        if (buffer_.size() >= kBlockBytes) Flush();
    }

    void Flush() {
        if (buffer_.empty()) return;
        if (file_ == nullptr || std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) ok_ = false;
        buffer_.clear();
    }

    bool ok() const { return ok_; }

private:
    std::FILE* file_;
    std::string buffer_;
    bool ok_ = true;
};

}  // namespace artisanscope
