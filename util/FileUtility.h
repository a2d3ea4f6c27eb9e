// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class OpenFolder;
}  // namespace platform

// File helpers shared by every subsystem, over the platform's file-system seam.
class FileUtility {
public:
    // Every logical drive root ("C:\"), in the system's order.
    static std::vector<std::string> getLogicalDrives();

    // Writes the size text ("1024 B", "1.50 K", "4.66 G") into `buffer`, which
    // must hold 32 bytes, and returns it. Units are powers of two; the
    // thresholds are strict (1024 bytes is "1024 B").
    static char* formatSize(char* buffer, std::uint64_t size);

    // Creates `path` and every missing ancestor (separators '\' or '/').
    // Returns 0 when the last folder was created, -1 when a creation failed or
    // the last folder already existed; a null path returns 0.
    static int makeDirectories(const char* path);

    // The 17-digit local last-write time "YYYYMMDDhhmmssmmm" of a file or
    // folder; empty when it cannot be read.
    static std::string getLastWriteTimeText(const std::string& path);
    // The same for a folder held open.
    static std::string getLastWriteTimeText(const platform::OpenFolder& folder);
};
