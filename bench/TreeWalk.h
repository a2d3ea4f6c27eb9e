// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "FileDescriptor.h"

// Walks a folder tree depth first, listing each folder once through a file
// descriptor (openat and readdir), and never follows a symbolic link. For
// every entry other than "." and ".." it calls the visitor with the folder's
// descriptor, the entry's name, its full native path and its type as
// readdir's d_type (resolved with one lstat-like call when the file system
// leaves it unknown). A folder that cannot be opened is counted and skipped.
class TreeWalk {
public:
    using Visitor = std::function<void(int folderFd, const char* name, const std::string& path,
                                       unsigned char type)>;

    explicit TreeWalk(Visitor visitor) : visitor_(std::move(visitor)) {}

    // Returns false when the root itself cannot be opened.
    [[nodiscard]] bool run(const std::string& root);

    std::size_t foldersEntered() const { return foldersEntered_; }
    std::size_t foldersSkipped() const { return foldersSkipped_; }

private:
    // Hands `folder` over to the listing; on failure it stays with the caller.
    void walkFolder(FileDescriptor& folder, std::string& path);

    Visitor visitor_;
    std::size_t foldersEntered_ = 0;
    std::size_t foldersSkipped_ = 0;
};
