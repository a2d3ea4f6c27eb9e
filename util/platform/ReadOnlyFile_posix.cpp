// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"
#include "util/platform/PosixStatus.h"
#include "util/platform/ReadOnlyFile.h"

namespace platform {

namespace {
// Files larger than this are read at a few scattered places only; telling the
// kernel so keeps it from reading ahead around every sample.
constexpr std::uint64_t kReadAheadLimit = 16 * 1024;

// Opens `path` relative to the folder `at` (AT_FDCWD: as it stands) when it
// is a regular file, and reads its length, time and space; -1 otherwise.
// Non-blocking, so that a FIFO put in a file's place cannot stall the scan.
int openRegular(int at, const char* path, std::uint64_t& length, std::int64_t& mtime,
                SpaceStatus& space) {
    const int fd = ::openat(at, path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    length = static_cast<std::uint64_t>(status.st_size);
    mtime = static_cast<std::int64_t>(status.st_mtime);
    space = posix::spaceOf(status);
    if (length > kReadAheadLimit) ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    return fd;
}

}  // namespace

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool ReadOnlyFile::open(const std::string& path) {
    const std::string native = toNativePath(path);
    if (native.empty() || handle_ >= 0) return false;
    handle_ = openRegular(AT_FDCWD, native.c_str(), length_, mtime_, space_);
    return handle_ >= 0;
}

bool ReadOnlyFile::open(const OpenFolder& folder, const std::string& name) {
    // A name with a slash would reach outside the folder.
    if (handle_ >= 0 || folder.descriptor_ < 0 || name.empty() ||
        name.find('/') != std::string::npos)
        return false;
    handle_ = openRegular(folder.descriptor_, name.c_str(), length_, mtime_, space_);
    return handle_ >= 0;
}

std::size_t ReadOnlyFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (handle_ < 0) return 0;
    std::size_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t n = ::pread(static_cast<int>(handle_), bytes + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace platform
