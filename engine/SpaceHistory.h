// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

class CSqliteDB;
class FolderInventory;
class SpaceFigures;

// The per-folder totals that each analysis leaves, for the last two
// analyses, so that the space view can tell how much a folder grew or shrank
// since the one before (变化). Two tables of their own:
//   FOLDER_SPACE_RUN (RUN, TIME)   one row per analysis kept
//   FOLDER_SPACE (RUN, PATH, SIZE, DISK, FILES)   a row per folder and drive
// PATH is the program form, ending in a backslash ("C:\" for a drive).
class SpaceHistory {
public:
    struct Entry {
        std::uint64_t size = 0;
        std::uint64_t diskUsage = 0;
        std::uint64_t files = 0;
    };
    struct Run {
        std::int64_t time = 0;                           // 0: no such run
        std::unordered_map<std::string, Entry> folders;  // by PATH
    };

    // Stores the totals of every node of `figures` as a new run at `time`,
    // and keeps only it and the run before. One transaction; false, nothing
    // changed, when a write fails.
    [[nodiscard]] static bool record(CSqliteDB& database, const FolderInventory& inventory,
                                     const SpaceFigures& figures, std::int64_t time);

    // Loads the inventory of the database at `databasePath` (the analysed
    // scope), computes its totals and records them at `time`; what the
    // analysis calls once its index is built. False when any step fails.
    [[nodiscard]] static bool recordAnalysis(const std::string& databasePath, std::int64_t time);

    // Reads the newest run into `latest` and the one before into `previous`
    // (either left with time 0 when there is none). False when the tables
    // exist but cannot be read; no tables: true, both empty.
    [[nodiscard]] static bool load(CSqliteDB& database, Run& latest, Run& previous);
};
