// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Scans one drive root into the database.
class FileInfoProc {
public:
    // Computes the 80-character MASK of `path` (its low 32 length bits, least
    // significant byte first, then nine 4-byte samples at floor(k * length / 9),
    // all as "%02X") and its modification time. Files under 36 bytes are read
    // whole and zero-padded. Returns false, leaving both outputs untouched,
    // when the file cannot be opened or is not a regular file; never blocks on
    // a FIFO. Cost: one open, one status call, at most nine small reads.
    [[nodiscard]] static bool computeFingerprint(const char* path, std::int64_t& mtime, char* mask);
};
