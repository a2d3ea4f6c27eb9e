// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Random.h"

struct CorpusOptions {
    std::size_t files = 100000;
    std::size_t folders = 8000;
    std::uint64_t seed = 20261209;
    double sizeScale = 1.0;
};

struct PlannedFolder {
    std::size_t parent = 0;  // index into folders(); the root is its own parent
    int depth = 0;
    std::string name;
    std::int64_t mtime = 0;
};

struct PlannedFile {
    static constexpr std::size_t kOriginal = static_cast<std::size_t>(-1);

    std::size_t folder = 0;
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t contentSeed = 0;  // equal seeds and sizes give equal bytes
    std::int64_t mtime = 0;
    std::size_t copyOf = kOriginal;
    unsigned stem = 0;  // word and extension of the name; copies keep the source's
    unsigned extension = 0;
};

// The whole corpus decided up front from the options alone: a folder tree of
// varied depth and fan-out (folder 0 is the output folder itself), files with
// heavy-tailed sizes, a few empty files, and a fifth of the files exact copies
// of others (most in other folders, some groups of three or more). Names hold
// blanks, quotes and UTF-8 accented and Chinese characters; every name carries
// its index, so no two entries of a folder collide. The same options always
// give the same plan.
class CorpusPlan {
public:
    explicit CorpusPlan(const CorpusOptions& options);

    const std::vector<PlannedFolder>& folders() const { return folders_; }
    const std::vector<PlannedFile>& files() const { return files_; }
    std::uint64_t totalBytes() const;
    std::size_t copyCount() const;

private:
    void planFolders(std::size_t count);
    std::size_t drawParent(std::size_t index);
    void planFiles(std::size_t count, double sizeScale);
    void planCopies(std::size_t originals, std::size_t copies);
    void addCopy(std::size_t source);
    std::uint64_t drawSize(double sizeScale);
    std::size_t drawFolder();
    std::int64_t drawTime();
    static std::string fileName(const PlannedFile& file, std::size_t index);

    Random rng_;
    std::vector<PlannedFolder> folders_;
    std::vector<PlannedFile> files_;
};
