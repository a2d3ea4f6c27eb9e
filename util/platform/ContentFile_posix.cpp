// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/platform/ContentFile.h"
#include "util/platform/FileSystem.h"
#include "util/platform/PosixStatus.h"

namespace platform {

namespace {

using posix::setError;
using posix::statusOf;

// Fills `buffer` from `fd` at `offset` (or at the current position when
// `offset` is negative) until `count` bytes or the end of the file.
std::int64_t readFully(int fd, void* buffer, std::size_t count, off_t offset, FileError& error) {
    std::size_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t n =
            offset < 0 ? ::read(fd, bytes + done, count - done)
                       : ::pread(fd, bytes + done, count - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            setError(error, errno);
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

}  // namespace

bool fileStatus(const std::string& path, FileStatus& status, FileError& error) {
    const std::string native = toNativePath(path);
    struct stat info {};
    if (native.empty()) {
        setError(error, ENOENT);
        return false;
    }
    if (::lstat(native.c_str(), &info) != 0) {
        setError(error, errno);
        return false;
    }
    status = statusOf(info);
    return true;
}

ContentFile::~ContentFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool ContentFile::open(const std::string& path) {
    const std::string native = toNativePath(path);
    if (handle_ >= 0 || native.empty()) {
        setError(error_, handle_ >= 0 ? EBUSY : ENOENT);
        return false;
    }
    const int fd =
        ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        setError(error_, errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        setError(error_, errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error_ = FileError{false, "not a regular file"};
        ::close(fd);
        return false;
    }
    // A regular file: reads may block as usual from here on.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    handle_ = fd;
    status_ = statusOf(info);
    return true;
}

bool ContentFile::refreshStatus(FileStatus& status) {
    struct stat info {};
    if (handle_ < 0 || ::fstat(static_cast<int>(handle_), &info) != 0) {
        setError(error_, handle_ < 0 ? EBADF : errno);
        return false;
    }
    status = statusOf(info);
    return true;
}

std::int64_t ContentFile::read(void* buffer, std::size_t count) {
    if (handle_ < 0) return -1;
    return readFully(static_cast<int>(handle_), buffer, count, -1, error_);
}

std::int64_t ContentFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (handle_ < 0) return -1;
    return readFully(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset), error_);
}

}  // namespace platform
