// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/platform/SpaceStatus.h"

namespace platform {

class OpenFolder;

// A file opened for reading a few bytes at chosen offsets. Opening never
// blocks (FIFOs and devices are refused: only regular files open) and tells
// the system that access is random, so no large read-ahead is made.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens `path` (program form) and reads its status. False when the file
    // cannot be opened, is not a regular file, or its status cannot be read.
    [[nodiscard]] bool open(const std::string& path);
    // The same for the file `name` of an open folder, found relative to it
    // without resolving the folder's path again.
    [[nodiscard]] bool open(const OpenFolder& folder, const std::string& name);

    std::uint64_t length() const { return length_; }
    std::int64_t modificationTime() const { return mtime_; }
    // What the file takes on its disk, from the status read at open().
    const SpaceStatus& space() const { return space_; }

    // Reads up to `count` bytes at `offset`; returns how many were read
    // (fewer past the end or on an error, never more).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count);

private:
    std::intptr_t handle_ = -1;
    std::uint64_t length_ = 0;
    std::int64_t mtime_ = 0;
    SpaceStatus space_;
};

}  // namespace platform
