// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

class CFileInfoDB;

// What fillSyntheticDatabase() wrote.
struct SyntheticSummary {
    std::size_t folders = 0;
    std::size_t files = 0;
    std::size_t groups = 0;  // rows of FILEINFO_IDX
};

// Fills an open, empty database with `files` synthetic file rows, the way a
// scan of a large disk would leave them, and writes their statistics index in
// the form the index builder gives it (entries "%32s|%8d|MASK|FNAME", sorted,
// so ID 1 wastes the most bytes). The same seed gives the same rows.
//
// Shape: about 25 files per folder in a tree of folders on C: and D:; names
// with a spread of extensions (a fifth pictures, a quarter development files,
// a third of no listed kind); sizes from 64 bytes to 16 MiB; about a fifth of
// the files copy an earlier one, mostly under its name in another folder, and
// some copies carry another extension, so some files' groups are named for
// another category.
SyntheticSummary fillSyntheticDatabase(CFileInfoDB& db, std::size_t files, std::uint64_t seed);
