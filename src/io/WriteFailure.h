#pragma once
// What stopped an output from being written, kept as a value: the step and
// the system's (or a library's) reason, for standard error and a dialog's
// details.

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace artisanscope {

// Why an output could not be written: the step that failed and its reason,
// taken right after the failing call. Empty (false) while nothing failed.
struct WriteFailure {
    enum class Step : std::uint8_t {
        None,
        Create,  // the temporary file (or the target written in place) could not be made
        Write,   // bytes did not reach the file
        Flush,   // the stream's last bytes did not reach the file
        Sync,    // the file did not reach the disk
        Close,
        Rename,  // the finished file could not be put in place
    };
    Step step = Step::None;
    int error = 0;        // errno right after the failing call; 0 when message says why
    std::string message;  // the reason in a library's words (SQLite's), or ours
    explicit operator bool() const { return step != Step::None; }
    // The reason for a person: the system's words for error, else message.
    std::string Reason() const { return error != 0 ? std::string(std::strerror(error)) : message; }

    // The failure of a system call that failed at step, with errno as it is
    // now (EIO when the call left no error number).
    static WriteFailure OfErrno(Step step) { return {step, errno != 0 ? errno : EIO, {}}; }
};

}  // namespace artisanscope
