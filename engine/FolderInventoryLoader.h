// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "engine/FolderInventory.h"

class CheckedContent;

// Reads the FolderInventory of the analysed scope (AnalysisScope, stored
// 'ANALYSED') from the file database: one pass over the folder rows, one over
// the file rows, one over the content cache (CONTENT_HASH), none of them
// opening a user's file; and one over FILE_SPACE.
//
// A file's content class comes, first found first:
// 1. from `checked`, when its group (its MASK) has a result there: the
//    check's class and hard-link set; a file the check found changed or
//    unreadable, or a row the check did not see, is unconfirmed;
// 2. from its cached hash, when the cache row was taken for the row's
//    present FTIME and MASK and records the file's identity and fine times
//    (the check's own test for an unchanged file, without looking at the
//    file; a row of the cache's earlier layout describes no file): the hash
//    and the 64-bit length;
// 3. the empty file: the MASK of an empty file (a length that is a multiple
//    of 4 GiB shares it, and is then told apart only by 1 or 2);
// 4. a file whose MASK no other file of the scope has: no other file can
//    hold its content, so it is a class of its own;
// 5. otherwise it is unconfirmed.
// Hard links are known from the scan's FILE_SPACE rows (device and file
// number of every name of a linked file) and from `checked`; FILE_SPACE also
// gives the whole length of a file of 4 GiB or more and the allocation that
// differs from the length rounded up to the block (FileSpaceTable).
class FolderInventoryLoader {
public:
    struct Counts {
        std::uint64_t files = 0;
        std::uint64_t fromCheck = 0;
        std::uint64_t fromCache = 0;
        std::uint64_t empty = 0;
        std::uint64_t unique = 0;
        std::uint64_t unconfirmed = 0;
    };

    // `databasePath` in program form (C:\...\FileInfo__.db).
    explicit FolderInventoryLoader(std::string databasePath)
        : databasePath_(std::move(databasePath)) {}

    // Reads the inventory into `out`. False, with errorText(), when the
    // database or its scope cannot be read; `out` is then empty.
    [[nodiscard]] bool load(FolderInventory& out, const CheckedContent* checked = nullptr);
    // The same folders and files with their lengths, allocations and hard
    // links only, for sizes: the names are left empty and every file is
    // unconfirmed (no pass over the content cache). What the analysis uses
    // to keep its per-folder totals, at a fraction of load()'s cost.
    [[nodiscard]] bool loadSizes(FolderInventory& out);

    const Counts& counts() const { return counts_; }
    const std::string& errorText() const { return errorText_; }

private:
    struct Impl;

    bool read(FolderInventory& out, const CheckedContent* checked, bool sizesOnly);

    std::string databasePath_;
    Counts counts_;
    std::string errorText_;
};
