// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "util/platform/FileSystem.h"
#include "util/platform/SpaceStatus.h"

namespace platform {

// One folder held open to look up the modification times of its files by
// name, without resolving the folder's path again for each file: on POSIX a
// status call relative to the open folder (fstatat), on Windows the times
// of one listing of the folder. Links are followed as a status call by path
// follows them. Its files can also be opened by name (ReadOnlyFile).
class OpenFolder {
public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // Opens `folder` (program form, ending in a backslash). False when it
    // cannot be opened; every lookup then fails.
    [[nodiscard]] bool open(const std::string& folder);

    // Modification time of the file `name` of the folder in seconds since
    // 1970-01-01 00:00 UTC; false when there is no such file or its status
    // cannot be read.
    [[nodiscard]] bool modificationTime(const std::string& name, std::int64_t& seconds) const;
    // The same lookup, also giving what the file takes on its disk (on
    // Windows its length only: `space.complete` is false there).
    [[nodiscard]] bool status(const std::string& name, std::int64_t& seconds,
                              SpaceStatus& space) const;

private:
    friend class ReadOnlyFile;  // opens files relative to the folder
    friend bool listFolder(const OpenFolder& folder, std::vector<FolderEntry>& entries);
    friend bool lastWriteTime(const OpenFolder& folder, LocalTime& time);

    // Windows only: lists the folder's times on the first lookup.
    bool listTimes() const;

    int descriptor_ = -1;          // POSIX
    std::string path_;             // Windows
    mutable bool listed_ = false;  // Windows
    struct Listed {
        std::int64_t seconds = 0;
        std::uint64_t length = 0;
    };
    mutable std::unordered_map<std::string, Listed> times_;  // Windows
};

}  // namespace platform
