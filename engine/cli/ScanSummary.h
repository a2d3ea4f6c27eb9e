// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class AnalysisScope;
class VerifyRun;
struct GroupCheck;

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

    // Reads the index and, with `withPaths`, the files of the `topGroups`
    // most wasteful duplicate groups from the database file `databasePath`
    // (program form): of a scope of chosen folders, the files under them
    // only. Groups of files smaller than `minSize` are left out of
    // everything. False, with the reason in `error`, when the index or the
    // scope cannot be read.
    [[nodiscard]] bool load(const std::string& databasePath, std::size_t topGroups,
                            std::string& error, bool withPaths = true, std::uint64_t minSize = 0);

    // Writes the totals and the top groups, at most `pathsPerGroup` files
    // each. With `verified`, also the groups of each state and the verified
    // duplicate bytes, and each top group's files by content class.
    void print(std::FILE* out, std::uint32_t filesHandled, std::size_t pathsPerGroup,
               const VerifyRun* verified = nullptr) const;

    std::uint64_t storedFiles = 0;
    std::uint64_t groups = 0;
    std::uint64_t duplicateGroups = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t duplicateBytes = 0;
    std::vector<Group> top;
    std::vector<std::string> duplicateMasks;  // of every group of two files or more, in index order

private:
    void addGroup(int fileCount, const char* mask, const char* name, std::size_t topGroups,
                  std::uint64_t minSize);
    [[nodiscard]] bool loadPaths(const std::string& databasePath, const AnalysisScope& scope,
                                 std::string& error);
    void printVerified(std::FILE* out, const VerifyRun& verified) const;
    static void printClasses(std::FILE* out, const GroupCheck& group, std::size_t pathsPerGroup);
};
