// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/CSqliteDB.h"
#include "util/platform/Trash.h"

struct CheckedFile;

// Where the files of the last clean-up went in the trash, so that the
// clean-up can be undone. A table of its own beside the file tables, which
// never refer to it:
//   LANBROOK_CLEANUP (ID, RUN, ORIGINAL, MASK, FTIME, TRASHED, INFO)
// one row per file moved: its path (program form), the MASK and FTIME of its
// file row (so the row can be put back with the file), and its file and
// record in the trash (native paths). RUN numbers the clean-ups; the first
// file a clean-up records drops the rows of every earlier one, so the table
// holds the last clean-up that moved anything.
//
// Works on a connection the caller owns and keeps open; every operation
// creates the table when it is missing. Failures answer false, with the
// reason in errorText().
class CleanupJournal {
public:
    struct Entry {
        std::int64_t id = 0;
        std::int64_t run = 0;
        std::string mask;
        std::int64_t rowTime = 0;
        platform::TrashedItem trashed;  // originalPath in program form
    };

    explicit CleanupJournal(CSqliteDB& database) : database_(database) {}

    // Starts a clean-up: its files get the next run number. Nothing is
    // dropped until the first one is recorded.
    [[nodiscard]] bool begin();
    // Records that `file` (whose row had `mask`) is now at `trashed`. Within
    // a transaction of the caller's, what it writes commits with it.
    [[nodiscard]] bool record(const CheckedFile& file, const std::string& mask,
                              const platform::TrashedItem& trashed);

    // The files of the last clean-up not yet put back, in the order they moved.
    [[nodiscard]] bool lastRun(std::vector<Entry>& entries);
    // Drops one entry (its file is back, or gone from the trash).
    [[nodiscard]] bool forget(const Entry& entry);

    const std::string& errorText() const { return error_; }

    static constexpr const char* kTable = "LANBROOK_CLEANUP";

private:
    [[nodiscard]] bool ensureTable();
    // False, with the database's reason in errorText() (after a rollback).
    [[nodiscard]] bool failed();
    // failed(), after undoing the first record's writes.
    [[nodiscard]] bool rolledBack();

    CSqliteDB& database_;
    CSqliteDB::Statement insert_;
    std::int64_t run_ = 0;
    bool recorded_ = false;  // a file of this run is in the table
    std::string error_;
};
