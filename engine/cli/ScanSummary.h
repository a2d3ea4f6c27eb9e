// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What the statistics index says after a run: totals over every group and
// the groups whose extra copies waste the most bytes, with their files.
class ScanSummary {
public:
    struct Group {
        std::string mask;
        std::string name;
        int count = 0;
        std::uint64_t size = 0;
        std::uint64_t waste = 0;
        std::vector<std::string> paths;  // native where a drive maps them, sorted
    };

    // Reads the index and the files of the `topGroups` most wasteful
    // duplicate groups from the database file `databasePath` (program form).
    // False, with the reason in `error`, when the index cannot be read.
    [[nodiscard]] bool load(const std::string& databasePath, std::size_t topGroups,
                            std::string& error);

    // Writes the totals and the top groups, at most `pathsPerGroup` files each.
    void print(std::FILE* out, std::uint32_t filesHandled, std::size_t pathsPerGroup) const;

    std::uint64_t storedFiles = 0;
    std::uint64_t groups = 0;
    std::uint64_t duplicateGroups = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t duplicateBytes = 0;
    std::vector<Group> top;

private:
    void addGroup(int fileCount, const char* mask, const char* name, std::size_t topGroups);
    [[nodiscard]] bool loadPaths(const std::string& databasePath, std::string& error);
};
