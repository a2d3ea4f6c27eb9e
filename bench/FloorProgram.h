// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// One entry of the tree as a floor program sees it.
struct FloorEntry {
    int folderFd;
    const char* name;
    const std::string& path;
    unsigned char type;  // d_type: DT_REG, DT_DIR, ...
    bool absolute;       // open or stat by full path instead of relative to folderFd
};

// Does the floor's work for one entry and folds what it saw into `checksum`
// (so that two runs can be compared). Returns true when the entry counts as a
// handled file.
using FloorVisitor = std::function<bool(const FloorEntry& entry, std::uint64_t& checksum)>;

// The shared frame of the floor programs: parses "[--absolute] ROOT", walks
// ROOT with the visitor and prints one line
//   <program>: files=N folders=N skipped=N seconds=S checksum=X
// Returns the process exit code.
int runFloor(int argc, char** argv, const char* program, const FloorVisitor& visitor);
