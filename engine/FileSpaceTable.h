// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "storage/CSqliteDB.h"
#include "util/platform/SpaceStatus.h"

// What a file row's MASK cannot say about the space its file takes, in a
// table of its own beside the file rows (which never refer to it):
//   FILE_SPACE (FOLDERID, FNAME, LENGTH, ALLOCATED, LINKS, DEVICE, INODE)
// keyed by the file row (FOLDERID, FNAME). A file has a row only when
// - it is 4 GiB long or longer (the MASK keeps the low 32 bits of a length),
// - it has more than one name (LINKS > 1; DEVICE and INODE tell which file,
//   so that its blocks count once, as du counts them), or
// - its blocks take another number of bytes than its length rounded up to
//   kBlock (sparse, compressed, preallocated, or on a file system whose
//   block is another size).
// Every other file has the MASK's length and takes that length rounded up to
// kBlock. So a scan of ordinary files writes no row at all.
//
// The scan keeps the rows in step: each file whose status it reads (new and
// modified files, and the unchanged files whose time it looks up) gets its
// row written, replaced or deleted as the status says. Rows whose file row
// is gone are dropped when a scan opens the table, and ignored by readers.
class FileSpaceTable {
public:
    static constexpr std::uint64_t kBlock = 4096;
    static constexpr std::uint64_t kLongFile = std::uint64_t{1} << 32;

    struct Entry {
        std::uint64_t length = 0;
        std::uint64_t allocated = 0;
        std::uint64_t links = 1;
        std::uint64_t device = 0;  // with links > 1 only, else 0
        std::uint64_t inode = 0;

        bool operator==(const Entry& other) const;
        bool operator!=(const Entry& other) const { return !(*this == other); }
    };

    static std::uint64_t roundedUp(std::uint64_t length) {
        return (length + kBlock - 1) / kBlock * kBlock;
    }
    // Whether a file of this status needs a row; never for an incomplete one.
    static bool needsRow(const platform::SpaceStatus& space);
    // The row a file of this status has.
    static Entry entryOf(const platform::SpaceStatus& space);

    static const char* createSql();
    // (FOLDERID, FNAME, LENGTH, ALLOCATED, LINKS, DEVICE, INODE) of the rows
    // whose file row exists, ordered by FOLDERID and FNAME.
    static const char* selectSql();

    // Works on the scanner's connection `database` (open or not yet), which
    // must outlive this object; the statements are finalized with it.
    explicit FileSpaceTable(CSqliteDB& database) : database_(database) {}
    FileSpaceTable(const FileSpaceTable&) = delete;
    FileSpaceTable& operator=(const FileSpaceTable&) = delete;

    // Creates the table when missing, drops the rows of vanished file rows
    // and reads the others. False when the table cannot be made or read;
    // record() then writes nothing.
    bool load();

    // Brings the row of the file (folderId, name) in step with `space`:
    // written when one is needed and differs, deleted when none is needed.
    // An incomplete status changes nothing. False when a write failed.
    bool record(const std::string& folderId, std::string_view name,
                const platform::SpaceStatus& space);

    std::size_t rowCount() const { return rows_.size(); }

private:
    static std::string keyOf(std::string_view folderId, std::string_view name);
    bool write(const std::string& folderId, std::string_view name, const Entry& entry);
    bool erase(const std::string& folderId, std::string_view name);

    CSqliteDB& database_;
    bool loaded_ = false;
    std::unordered_map<std::string, Entry> rows_;  // by keyOf(FOLDERID, FNAME)
    std::unordered_set<std::string> folders_;      // FOLDERIDs with a row
    CSqliteDB::Statement upsert_;
    CSqliteDB::Statement delete_;
};
