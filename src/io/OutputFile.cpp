#include "io/OutputFile.h"

#include "io/BlockOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace artisanscope {

bool CloseChecked(std::FILE* file) {
    bool ok = std::fflush(file) == 0;
    ok = std::ferror(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

#ifndef _WIN32
namespace {

// The process's file-creation mask, read without changing it (umask() can
// only be read by setting it, which races with other threads creating
// files). Linux reports it in /proc/self/status; elsewhere the usual 022.
mode_t CurrentUmask() {
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, "Umask:", 6) != 0) continue;
            char* end = nullptr;
            const unsigned long value = std::strtoul(line + 6, &end, 8);
            if (end != line + 6 && value <= 0777) mask = static_cast<mode_t>(value);
            break;
        }
        std::fclose(status);
    }
    return mask;
}

// The file a link names, when path is a link to an existing file; else path.
std::string FollowLink(const std::string& path) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string target = real;
    std::free(real);
    return target;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Makes the rename durable; a folder that cannot be opened or synced leaves
// the rename done, only less certain across a power loss.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace
#endif

OutputFile::OutputFile(std::string target, OutputTarget kind) : target_(std::move(target)), kind_(kind) {}

OutputFile::~OutputFile() { Discard(); }

std::string WriteFailureDetails(std::string_view path, const WriteFailure& failure) {
    std::string details(path);
    const std::string reason = failure.Reason();
    if (!reason.empty()) {
        details += ": ";
        details += reason;
    }
    return details;
}

WriteFailure WriteWholeFile(const std::string& path, std::string_view bytes) {
    OutputFile output(path);
    if (!output.Create()) return output.failure();
    BlockOutput out(output.file());
    out.buffer() = bytes;
    out.WriteBlock();
    if (!out.ok()) return out.failure();
    return output.Commit() ? WriteFailure{} : output.failure();
}

// Keeps the first failure, with errno as the failing call left it.
bool OutputFile::Fail(WriteFailure::Step step) {
    if (!failure_) failure_ = WriteFailure::OfErrno(step);
    return false;
}

#ifndef _WIN32

bool OutputFile::Create() {
    if (file_ != nullptr) return true;
    failure_ = {};
    using Step = WriteFailure::Step;
    const std::string target = FollowLink(target_);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        if (kind_ == OutputTarget::RegularFile) {
            failure_ = {Step::Create, 0, std::string(kNotRegularFileReason)};
            return false;
        }
        // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging.
        errno = 0;
        const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return Fail(Step::Create);
        const int flags = ::fcntl(fd, F_GETFL);
        file_ = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? ::fdopen(fd, "wb") : nullptr;
        if (file_ == nullptr) {
            Fail(Step::Create);
            ::close(fd);
            return false;
        }
        inPlace_ = true;
        writing_ = target;
        target_ = target;
        return true;
    }

    // Beside the target, so that rename() stays within one file system and
    // replaces the target in one step.
    const std::string folder = FolderOf(target);
    std::string temp = folder + "." + target.substr(folder.size()) + ".XXXXXX";
    errno = 0;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Fail(Step::Create);
    // mkstemp creates mode 0600; an export gets the usual mode for new files,
    // or keeps the mode of the file it replaces.
    ::fchmod(fd, exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask()));
    errno = 0;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        Fail(Step::Create);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    inPlace_ = false;
    writing_ = std::move(temp);
    target_ = target;
    return true;
}

bool OutputFile::Commit() {
    if (file_ == nullptr) return false;
    using Step = WriteFailure::Step;
    std::FILE* file = std::exchange(file_, nullptr);
    errno = 0;
    if (std::fflush(file) != 0) Fail(Step::Flush);
    // An error a writer left on the stream; its errno is gone by now.
    errno = 0;
    if (std::ferror(file) != 0) Fail(Step::Write);
    // A device or FIFO written in place has nothing to sync.
    errno = 0;
    if (!inPlace_ && !failure_ && ::fsync(::fileno(file)) != 0) Fail(Step::Sync);
    errno = 0;
    if (std::fclose(file) != 0) Fail(Step::Close);
    if (inPlace_) return !failure_;
    errno = 0;
    if (!failure_ && std::rename(writing_.c_str(), target_.c_str()) != 0) Fail(Step::Rename);
    if (failure_) {
        ::unlink(writing_.c_str());
        return false;
    }
    SyncFolder(FolderOf(target_));
    return true;
}

void OutputFile::Discard() {
    if (file_ == nullptr) return;
    std::fclose(std::exchange(file_, nullptr));
    if (!inPlace_) ::unlink(writing_.c_str());
}

#else

// Without POSIX files the target is written directly.
bool OutputFile::Create() {
    errno = 0;
    if (file_ == nullptr) file_ = std::fopen(target_.c_str(), "wb");
    writing_ = target_;
    inPlace_ = true;
    return file_ != nullptr || Fail(WriteFailure::Step::Create);
}

bool OutputFile::Commit() {
    if (file_ == nullptr) return false;
    errno = 0;
    return CloseChecked(std::exchange(file_, nullptr)) || Fail(WriteFailure::Step::Close);
}

void OutputFile::Discard() {
    if (file_ != nullptr) std::fclose(std::exchange(file_, nullptr));
}

#endif

}  // namespace artisanscope
