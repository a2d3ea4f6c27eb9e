// SPDX-License-Identifier: MIT
#pragma once

// For the POSIX seams only: a file status and an error as the seam's types
// give them.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "util/platform/ContentFile.h"
#include "util/platform/SpaceStatus.h"

namespace platform::posix {

inline std::int64_t nanos(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

inline FileStatus statusOf(const struct stat& info) {
    FileStatus status;
    status.length = static_cast<std::uint64_t>(info.st_size);
    status.modificationTime = static_cast<std::int64_t>(info.st_mtime);
    status.modificationNanos = nanos(info.st_mtim);
    status.changeNanos = nanos(info.st_ctim);
    status.identity.device = static_cast<std::uint64_t>(info.st_dev);
    status.identity.fileNumber = static_cast<std::uint64_t>(info.st_ino);
    status.regular = S_ISREG(info.st_mode);
    return status;
}

// st_blocks counts 512-byte units whatever the file system's block is.
inline SpaceStatus spaceOf(const struct stat& info) {
    SpaceStatus space;
    space.length = static_cast<std::uint64_t>(info.st_size);
    space.allocated = static_cast<std::uint64_t>(info.st_blocks) * 512;
    space.links = static_cast<std::uint64_t>(info.st_nlink);
    space.identity.device = static_cast<std::uint64_t>(info.st_dev);
    space.identity.fileNumber = static_cast<std::uint64_t>(info.st_ino);
    space.complete = true;
    return space;
}

inline void setError(FileError& error, int code) {
    error.missing = code == ENOENT || code == ENOTDIR;
    error.reason = std::strerror(code);
}

}  // namespace platform::posix
