// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class VerifyRun;

// The folders of the last analysis that take the most disk space
// (lanbrook-scan --du and the "folders" of --json): each stored folder with
// the figures of its whole subtree as SpaceTree gives them, largest disk
// usage first (ties by path).
class LargestFolders {
public:
    struct Folder {
        std::string path;  // native, without a trailing separator
        std::uint64_t diskUsage = 0;
        std::uint64_t size = 0;
        std::uint64_t files = 0;
        std::uint64_t copiedElsewhere = 0;  // meaningful with `verified` only
    };

    // Reads the analysed scope of the database and keeps the `most` largest
    // folders. With `verified` (--verify), the check's classes confirm the
    // copies. False, with `error`, when the database cannot be read.
    [[nodiscard]] bool find(const std::string& databasePath, std::size_t most,
                            const VerifyRun* verified, std::string& error);

    // A header line, then one line per folder: disk usage, size, files and
    // bytes copied elsewhere ("-" without --verify), then the path.
    void printText(std::FILE* out) const;

    const std::vector<Folder>& folders() const { return folders_; }
    bool verified() const { return verified_; }

private:
    std::vector<Folder> folders_;
    bool verified_ = false;
};
