// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CFileInfoDB;

// Undoes the last clean-up: puts the files it moved back where they were,
// from the trash, as CleanupJournal recorded them. A file goes back only
// where its place is free (nothing is ever replaced) and its record is then
// dropped. A file whose place is taken, or whose folder is gone, stays in
// the trash and in the record, and is reported; a file no longer in the
// trash (emptied, or put back by hand) is reported and its record dropped.
//
// A file put back is entered in the file table at once when it is what its
// row was: a regular file of the row's modification time, in a folder the
// table holds. The caller then rebuilds the index; any other file is found
// by the next analysis.
class CleanupUndo {
public:
    struct Item {
        std::string path;  // program form
        std::string reason;
        bool placeTaken = false;  // something is at its place now
    };
    struct Summary {
        std::vector<std::string> restored;  // program form
        std::vector<Item> skipped;          // still in the trash, to try again
        std::vector<Item> gone;             // no longer in the trash
        std::size_t rowsRestored = 0;
    };

    // The files the last clean-up moved that are still to be put back;
    // false when the record cannot be read.
    [[nodiscard]] static bool pending(CFileInfoDB& database, std::size_t& count,
                                      std::string& error);

    // Puts the files back through `database` (open). `progress`, when given,
    // counts the files handled. False, with `error`, when the record cannot
    // be read (nothing is done then).
    [[nodiscard]] static bool run(CFileInfoDB& database, Summary& summary, std::string& error,
                                  std::atomic<std::uint64_t>* progress = nullptr);
};
