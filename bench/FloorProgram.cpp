// SPDX-License-Identifier: MIT
#include "FloorProgram.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "TreeWalk.h"

int runFloor(int argc, char** argv, const char* program, const FloorVisitor& visitor) {
    const bool absolute = argc == 3 && std::strcmp(argv[1], "--absolute") == 0;
    if (argc != 2 && !absolute) {
        std::fprintf(stderr, "usage: %s [--absolute] ROOT\n", program);
        return 2;
    }
    const std::string root = argv[argc - 1];
    std::uint64_t files = 0;
    std::uint64_t checksum = 0;
    TreeWalk walk([&](int folderFd, const char* name, const std::string& path, unsigned char type) {
        if (visitor(FloorEntry{folderFd, name, path, type, absolute}, checksum)) ++files;
    });
    const auto start = std::chrono::steady_clock::now();
    if (!walk.run(root)) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", program, root.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%s: files=%llu folders=%zu skipped=%zu seconds=%.3f checksum=%016llx\n", program,
                static_cast<unsigned long long>(files), walk.foldersEntered(),
                walk.foldersSkipped(), elapsed.count(), static_cast<unsigned long long>(checksum));
    return 0;
}
