// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Which file a name leads to: names with equal identities are hard links of
// one file. On POSIX systems the device and inode number; on Windows the
// volume serial number and the file index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t fileNumber = 0;

    bool operator==(const FileIdentity& other) const {
        return device == other.device && fileNumber == other.fileNumber;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

struct FileStatus {
    std::uint64_t length = 0;
    std::int64_t modificationTime = 0;  // seconds since 1970-01-01 00:00 UTC, as the fingerprint's
    // The modification time and the status-change time in nanoseconds since
    // 1970-01-01 00:00 UTC, as finely as the file system keeps them (on
    // Windows in 100 ns steps; the change time is the NTFS ChangeTime). A
    // write that keeps or restores the modification time still moves the
    // change time.
    std::int64_t modificationNanos = 0;
    std::int64_t changeNanos = 0;
    FileIdentity identity;
    bool regular = false;  // a regular file; false for folders, links and devices
};

// Whether `a` and `b` describe one file in one version: a regular file of the
// same identity, length, modification time and change time. A file replaced,
// rewritten, truncated or touched in between differs in one of them.
inline bool sameVersion(const FileStatus& a, const FileStatus& b) {
    return a.regular && b.regular && a.identity == b.identity && a.length == b.length &&
           a.modificationNanos == b.modificationNanos && a.changeNanos == b.changeNanos;
}

// Why a status or a read failed.
struct FileError {
    bool missing = false;  // no entry of that name exists (any more)
    std::string reason;    // the system's text
};

// Reads the status of `path` (program form) without following a symbolic
// link and without opening the file for reading. False, with `error` set,
// when the name cannot be looked up.
[[nodiscard]] bool fileStatus(const std::string& path, FileStatus& status, FileError& error);

// A regular file opened for reading it whole from start to end. The name is
// not followed when it is a symbolic link; opening never blocks (a FIFO put in
// a file's place is refused), then reads block as usual. The system is told
// that access is sequential, so it reads ahead generously.
class ContentFile {
public:
    ContentFile() = default;
    ~ContentFile();
    ContentFile(const ContentFile&) = delete;
    ContentFile& operator=(const ContentFile&) = delete;

    // Opens `path` (program form) and reads its status. False, with error()
    // set, when it cannot be opened or is not a regular file.
    [[nodiscard]] bool open(const std::string& path);

    // The status read when the file was opened.
    const FileStatus& status() const { return status_; }
    // Reads the status of the open file again (to notice a write during a read).
    [[nodiscard]] bool refreshStatus(FileStatus& status);

    // Reads up to `count` bytes at the current position and advances it.
    // Returns how many were read: fewer only at the end of the file; -1 on a
    // read error, with error() set.
    std::int64_t read(void* buffer, std::size_t count);
    // Reads up to `count` bytes at `offset`; the current position is
    // unspecified afterwards. As read() otherwise.
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count);

    const FileError& error() const { return error_; }

private:
    std::intptr_t handle_ = -1;
    FileStatus status_;
    FileError error_;
};

}  // namespace platform
