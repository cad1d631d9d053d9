#include "io/BlockOutput.h"

#include <system_error>

namespace artisanscope {

#if ARTISANSCOPE_THREADS
BlockWriterThread::BlockWriterThread(std::FILE* file) : file_(file), thread_([this] { Run(); }) {}

BlockWriterThread::~BlockWriterThread() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

WriteFailure BlockWriterThread::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return std::exchange(failure_, WriteFailure{});
}

void BlockWriterThread::Write(std::string& block, std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        block_.swap(block);
        size_ = size;
        busy_ = true;
    }
    changed_.notify_all();
}

void BlockWriterThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) return;
        // The filling side leaves block_ alone while busy_ is set.
        lock.unlock();
        WriteFailure failure;
        errno = 0;
        if (std::fwrite(block_.data(), 1, size_, file_) != size_) {
            failure = WriteFailure::OfErrno(WriteFailure::Step::Write);
        } else if (std::fflush(file_) != 0) {
            failure = WriteFailure::OfErrno(WriteFailure::Step::Flush);
        }
        lock.lock();
        failure_ = std::move(failure);
        busy_ = false;
        changed_.notify_all();
    }
}

#endif

void BlockOutput::HandOver() {
#if !ARTISANSCOPE_THREADS
    WriteBlock();
#else
    if (file_ != nullptr && !failure_ && !writer_ && !writerUnavailable_) {
        try {
            writer_ = std::make_unique<BlockWriterThread>(file_);
        } catch (const std::system_error&) {
            writerUnavailable_ = true;
        }
    }
    if (!writer_) {
        WriteBlock();
        return;
    }
    const std::size_t size = Size();
    Fail(writer_->Wait());
    if (!failure_) writer_->Write(buffer_, size);
    // buffer_ is now the block written before (or the failed one, dropped):
    // start it afresh in the same mode.
    if (putting_) {
        buffer_.resize(buffer_.capacity());
        put_ = 0;
        room_ = buffer_.size();
    } else {
        buffer_.clear();
    }
#endif
}

}  // namespace artisanscope
