#pragma once
// Helpers for tests of failing files and folders: a snapshot of everything a
// file system entry shows (to prove it was not touched), a folder listing (to
// prove no stray file appeared), and a forked child that can run as an
// unprivileged user or under resource limits without affecting the tests
// around it.

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace artisanscope::testing {

// What a reader could change about a file: content bytes (read only for
// small files), size, mode, and the modification and status-change times to
// the nanosecond.
struct EntryState {
    bool exists = false;
    mode_t mode = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};
    std::string bytes;

    static EntryState Of(const std::string& path, bool withBytes = true) {
        EntryState s;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return s;
        s.exists = true;
        s.mode = info.st_mode;
        s.size = info.st_size;
        s.mtime = info.st_mtim;
        s.ctime = info.st_ctim;
        if (withBytes && S_ISREG(info.st_mode) && info.st_size < (1 << 24) && (info.st_mode & S_IRUSR)) {
            std::FILE* f = std::fopen(path.c_str(), "rb");
            if (f != nullptr) {
                char buffer[65536];
                std::size_t n;
                while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) s.bytes.append(buffer, n);
                std::fclose(f);
            }
        }
        return s;
    }

    friend bool operator==(const EntryState& a, const EntryState& b) {
        return a.exists == b.exists && a.mode == b.mode && a.size == b.size && a.mtime.tv_sec == b.mtime.tv_sec &&
               a.mtime.tv_nsec == b.mtime.tv_nsec && a.ctime.tv_sec == b.ctime.tv_sec &&
               a.ctime.tv_nsec == b.ctime.tv_nsec && a.bytes == b.bytes;
    }
};

inline std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

inline bool IsRoot() { return ::geteuid() == 0; }

// The uid/gid that root drops to for permission tests ("nobody").
inline constexpr uid_t kUnprivilegedId = 65534;

// Runs body in a forked child and returns its exit status (body's result),
// or -1 when the child died otherwise. With dropPrivileges, a child running
// as root first becomes the unprivileged user, so permission bits apply to
// it; the child exits with 77 when it cannot.
inline int RunInChild(const std::function<int()>& body, bool dropPrivileges = false) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (dropPrivileges && IsRoot()) {
            if (::setgid(kUnprivilegedId) != 0 || ::setuid(kUnprivilegedId) != 0) ::_exit(77);
        }
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace artisanscope::testing
