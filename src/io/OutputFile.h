#pragma once
// The one way an export reaches the disk: replaced whole or not at all.
// Create() makes a temporary file beside the target (a link to a file is
// followed, so the file it names is replaced and the link stays); a writer
// writes through file() or opens path() itself; Commit() flushes, checks the
// stream, syncs, closes and renames the temporary file over the target. Any
// failure, Discard(), or destruction without Commit() removes the temporary
// file and leaves the target as it was.
//
// A target that exists and is not a regular file (a device such as /dev/null
// or /dev/full, a FIFO) cannot be replaced: renaming over it would destroy
// the node. It is written in place instead, unless the writer needs a
// regular file, in which case Create() fails. A FIFO without a reader fails
// at once rather than blocking.
//
// Every failing step (creating the temporary file or opening the target,
// flushing, syncing, closing, renaming) is kept with the errno read right
// after it: failure().

#include "io/WriteFailure.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace artisanscope {

// Why a writer that needs a regular file gets no output for another node.
inline constexpr std::string_view kNotRegularFileReason = "not a regular file";

enum class OutputTarget {
    AnyFile,      // regular files replaced atomically, other nodes written in place
    RegularFile,  // for writers that open path() themselves; other nodes are refused
};

class OutputFile {
public:
    explicit OutputFile(std::string target, OutputTarget kind = OutputTarget::AnyFile);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when nothing could be created (folder missing or not writable,
    // a refused node): the target is untouched.
    bool Create();

    // The open stream (binary); null before Create() and after Commit/Discard.
    std::FILE* file() const { return file_; }
    // The file being written: the temporary file, or the target itself when
    // it is written in place.
    const std::string& path() const { return writing_; }

    // Puts the written file in place. False, with the target untouched (or,
    // written in place, holding what reached it), when any byte may be lost.
    bool Commit();
    // Throws the written bytes away.
    void Discard();

    // The step of Create() or Commit() that failed, and why; empty while
    // none has.
    const WriteFailure& failure() const { return failure_; }

private:
    bool Fail(WriteFailure::Step step);

    std::string target_;
    std::string writing_;
    OutputTarget kind_;
    std::FILE* file_ = nullptr;
    bool inPlace_ = false;
    WriteFailure failure_;
};

// "path: reason", the details of a failed write for a person.
std::string WriteFailureDetails(std::string_view path, const WriteFailure& failure);

// Writes bytes as the whole file at path (a report, a plan's totals): an
// OutputFile written through the exports' buffered output. Empty when the
// file is in place; otherwise the failing step (Create: nothing was
// created) and its reason.
WriteFailure WriteWholeFile(const std::string& path, std::string_view bytes);

// Closes a stream after a flush; false when any byte written to it may have
// been lost (a write error now or earlier, a failed close). Closes always.
bool CloseChecked(std::FILE* file);

}  // namespace artisanscope
