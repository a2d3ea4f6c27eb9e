// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/CSqliteDB.h"

// The table of whole-content hashes, CONTENT_HASH, in the file database:
// one row per file row (FOLDERID, FNAME) with the row's FTIME and MASK and
// the file's 64-bit LENGTH at the time it was hashed, the XXH3-128 HASH of
// its content and ENDS, that of its first and last blocks, each as 32
// hexadecimal digits or '' when not made (a file whose ends match no other
// file's is never read whole). A hash is valid only while the file row's FTIME
// and MASK and the file's length are still those. Rows of files gone from
// the file table are deleted whenever a checker opens. The table is one of its
// own beside the five file tables, which never refer to it.
//
// Works over a connection of its own with a busy timeout of a few seconds
// (on that connection alone); new hashes are written in batches, each in one
// transaction. A failed write only loses the cached hashes.
class ContentCache {
public:
    struct Entry {
        std::int64_t rowTime = 0;
        std::string mask;
        std::uint64_t length = 0;
        std::string hash;  // "" when not known
        std::string ends;  // "" when not known
    };

    // One file row as the single pass over the file table delivers it.
    struct FileRow {
        const char* mask;
        const char* folderId;
        const char* folderPath;
        const char* name;
        std::int64_t rowTime;
        const Entry* cached;  // null when the file has no cache row
    };

    explicit ContentCache(std::string databasePath);
    // Writes the hashes still pending.
    ~ContentCache();
    ContentCache(const ContentCache&) = delete;
    ContentCache& operator=(const ContentCache&) = delete;

    // Opens the connection, creates the table when missing and deletes the
    // rows of files gone from the file table, in one statement. False, with errorText(), when the
    // database cannot be opened or the table cannot be made.
    [[nodiscard]] bool open();

    // Hands every file row whose MASK is `wanted` with its folder path and
    // its cache row (if any) to `onRow`, in one pass over the file table.
    // False on a read error.
    [[nodiscard]] bool forEachFile(const std::function<bool(std::string_view mask)>& wanted,
                                   const std::function<void(const FileRow&)>& onRow);

    // The cache row of one file; false when it has none.
    [[nodiscard]] bool lookup(const std::string& folderId, const std::string& name, Entry& out);

    // Queues the hash of one file; written with the next batch.
    void store(const std::string& folderId, const std::string& name, const Entry& entry);
    // Writes the queued hashes when there are many or some wait for long.
    void flushIfDue();
    // Writes the queued hashes in one transaction; false (the hashes are
    // dropped) when the write fails.
    [[nodiscard]] bool flush();

    // Drops the cache row of one file (for a file removed by the program).
    [[nodiscard]] bool forget(const std::string& folderId, const std::string& name);

    const std::string& errorText() const { return errorText_; }

private:
    [[nodiscard]] bool fail();

    CSqliteDB database_;
    CSqliteDB::Rows pending_;
    std::int64_t oldestPending_ = 0;  // steady clock, milliseconds
    std::string errorText_;
};
