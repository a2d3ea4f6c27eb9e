// SPDX-License-Identifier: MIT
// Writes a synthetic database for the result-loader benchmark:
//   loader_fill [--files N] [--seed N] [--mask-index] OUTPUT.db
// OUTPUT.db is a native path; an existing file is replaced. --mask-index adds
// an index on FILEINFO_FIF(MASK) before the rows are written, to measure what
// such an index costs the writers.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/loader/SyntheticFiles.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"

int main(int argc, char** argv) {
    std::size_t files = 100000;
    std::uint64_t seed = 20261209;
    const char* output = nullptr;
    bool maskIndex = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc) {
            files = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--mask-index") == 0) {
            maskIndex = true;
        } else {
            output = argv[i];
        }
    }
    std::string path;
    if (output == nullptr || !platform::fromNativePath(output, path)) {
        std::fprintf(stderr,
                     "usage: loader_fill [--files N] [--seed N] [--mask-index] OUTPUT.db\n");
        return 2;
    }
    std::remove(output);
    const auto start = std::chrono::steady_clock::now();
    CFileInfoDB db(path);
    if (!db.open()) {
        std::fprintf(stderr, "loader_fill: %s: %s\n", output, db.errorText().c_str());
        return 1;
    }
    if (maskIndex &&
        !db.execute("CREATE INDEX IF NOT EXISTS BENCH_FIF_MASK ON FILEINFO_FIF (MASK)")) {
        std::fprintf(stderr, "loader_fill: %s\n", db.errorText().c_str());
        return 1;
    }
    const SyntheticSummary summary = fillSyntheticDatabase(db, files, seed);
    db.close();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("loader_fill: folders=%zu files=%zu groups=%zu seconds=%.2f\n", summary.folders,
                summary.files, summary.groups, seconds.count());
    return summary.files == files ? 0 : 1;
}
