// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

#include <utility>

// Owns a POSIX file descriptor (negative: none) and closes it on destruction.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Gives the descriptor up to a new owner (such as fdopendir).
    int release() { return std::exchange(fd_, -1); }

    // Closes now, so that a failing close can be seen; the destructor then
    // has nothing left to do.
    [[nodiscard]] bool close() { return ::close(release()) == 0; }

private:
    int fd_;
};
