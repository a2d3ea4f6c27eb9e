// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/AnalysisScope.h"

class VerifyRun;

// Every duplicate set of the last analysis, largest waste first, handed over
// one at a time (lanbrook-scan --list and the "sets" of --json). Of a scope
// of chosen folders only the files under them are listed.
class DuplicateSets {
public:
    struct File {
        std::string path;  // program form
        bool isProtected = false;
        int linkSet = -1;  // the file's set of names of one file (hard links); -1: none
    };
    struct Set {
        std::string mask;
        std::uint64_t size = 0;   // of each file
        std::uint64_t waste = 0;  // the bytes the extra copies take
        std::vector<File> files;  // sorted by path
    };
    using Sink = std::function<void(const Set&)>;

    // Sets of files smaller than `minSize` are left out.
    explicit DuplicateSets(std::uint64_t minSize) : minSize_(minSize) {}

    // Reads the analysed scope of the database `databasePath` (program form).
    // False, with `error`, when it cannot be read.
    [[nodiscard]] bool load(const std::string& databasePath, std::string& error);

    // Every group of the index with two files or more, in the index's order
    // (most waste first), from one pass over the files sorted on disk: only
    // one set is held in memory at a time. False, with `error`, when the
    // files cannot be read; the sets handed over until then stay handed over.
    [[nodiscard]] bool forEachGroup(const std::string& databasePath, const Sink& sink,
                                    std::string& error) const;

    // Every class of two distinct files or more (hard links counted once) of
    // the groups `verified` kept, most waste first; with the scope's
    // "across", only classes with files under two chosen folders.
    void forEachClass(const VerifyRun& verified, const Sink& sink) const;

private:
    bool spansTwoFolders(const std::vector<File>& files) const;

    std::uint64_t minSize_;
    AnalysisScope scope_;
};
