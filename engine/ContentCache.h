// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "storage/CSqliteDB.h"
#include "util/platform/ContentFile.h"

struct sqlite3;

// The table of whole-content hashes, CONTENT_HASH, in the file database:
// one row per file row (FOLDERID, FNAME) with the row's FTIME and MASK, and
// the file as it was when hashed: its 64-bit LENGTH, its identity (DEVICE,
// FILENUMBER) and its modification and status-change times in nanoseconds
// (MTIME_NS, CTIME_NS); then the XXH3-128 HASH of its content and ENDS, that
// of its first and last blocks, each as 32 hexadecimal digits or '' when not
// made (a file whose ends match no other file's is never read whole). A hash
// is valid only while all of these are still the file row's and the file's:
// a file rewritten in place with its time kept still has a new change time.
// Rows of an earlier layout (without identity and fine times) are kept but
// describe no file, so each such file is read once more.
//
// Rows of files gone from the file table are deleted when a checker opens,
// if the file rows changed since the last such pruning (the generation of
// LANBROOK_GENERATION, remembered in CONTENT_HASH_STATE). Pruning is
// best-effort: when it fails (a lock held too long) it is left for next
// time. The tables are the cache's own, beside the five file tables, which
// never refer to them.
//
// Works over a connection of its own that waits a few seconds for a lock
// (on that connection alone); new hashes are written in batches, each in one
// transaction. A failed write only loses the cached hashes. interrupt() may
// be called from any thread: the statement running or waiting for a lock
// ends at once, and every later one but a flush fails.
class ContentCache {
public:
    // A hash kept as its 16 bytes: a checker holds many entries.
    struct Digest {
        std::array<unsigned char, 16> bytes{};
        bool known = false;

        // From 32 hexadecimal digits; anything else (the '' of a hash not
        // made) is not known.
        void assign(std::string_view digits);
        // The 32 lower-case hexadecimal digits; "" when not known.
        std::string text() const;
    };

    // One cache row, fixed in size.
    struct Entry {
        std::int64_t rowTime = 0;
        bool sameMask = false;  // taken under the MASK the file row has now
        std::uint64_t length = 0;
        platform::FileIdentity identity;
        std::int64_t modificationNanos = 0;
        std::int64_t changeNanos = 0;
        bool versioned = false;  // false for a row of an earlier layout
        Digest hash;
        Digest ends;

        // The file as `status` gives it, for a row made now.
        void setFile(const platform::FileStatus& status);
        // Whether this row still answers for its file row, whose FTIME is
        // `rowTime` and whose file has `status` now.
        bool describes(std::int64_t rowTime, const platform::FileStatus& status) const;
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

    // Opens the connection, creates or completes the tables and prunes the
    // rows of files gone from the file table when due. False, with
    // errorText(), when the database cannot be opened or the tables cannot
    // be made; a failed pruning is skipped (see pruneError()).
    [[nodiscard]] bool open();

    // Hands every file row whose MASK is `wanted` with its folder path and
    // its cache row (if any) to `onRow`, in one pass over the file table;
    // only the rows wanted are joined with their folder and cache rows.
    // False on a read error or when interrupted.
    [[nodiscard]] bool forEachFile(const std::function<bool(std::string_view mask)>& wanted,
                                   const std::function<void(const FileRow&)>& onRow);

    // The cache row of one file whose row has `mask`; false when it has none.
    [[nodiscard]] bool lookup(const std::string& folderId, const std::string& name,
                              const std::string& mask, Entry& out);

    // Queues the hash of one file, whose row has `mask`; written with the
    // next batch.
    void store(const std::string& folderId, const std::string& name, const std::string& mask,
               const Entry& entry);
    // Writes the queued hashes when there are many or some wait for long.
    void flushIfDue();
    // Writes the queued hashes in one transaction; false (the hashes are
    // dropped) when the write fails. After interrupt() it still writes, but
    // does not wait for a lock.
    [[nodiscard]] bool flush();

    // Lookups hold a read transaction for a few milliseconds at most, which
    // keeps other programs from committing: endRead() ends it at once (before
    // reading a file, before a write), endReadIfDue() when it is held long.
    void endRead();
    void endReadIfDue();

    // Drops the cache row of one file (for a file removed by the program).
    [[nodiscard]] bool forget(const std::string& folderId, const std::string& name);

    // Ends the database work: any thread, any time during the cache's life.
    void interrupt();
    bool interrupted() const { return stopping_.load(); }

    const std::string& errorText() const { return errorText_; }
    // Why the last pruning failed; "" when it ran, or was not due.
    const std::string& pruneError() const { return pruneError_; }
    // Whether open() pruned (false when nothing changed since the last time).
    bool pruned() const { return pruned_; }

private:
    struct Pending {
        std::string folderId;
        std::string name;
        std::string mask;
        Entry entry;
    };

    [[nodiscard]] bool fail();
    [[nodiscard]] bool prepareTables();
    [[nodiscard]] bool missingColumns(bool& missing);
    void pruneIfDue();
    [[nodiscard]] bool readNumber(const char* sql, std::int64_t& out);
    [[nodiscard]] bool readWantedFiles(const std::function<void(const FileRow&)>& onRow);
    [[nodiscard]] bool writePending();
    static int waitForLock(void* self, int attempt);
    static int checkProgress(void* self);

    CSqliteDB database_;
    CSqliteDB::Statement lookup_;  // prepared at the first lookup
    std::vector<Pending> pending_;
    std::int64_t oldestPending_ = 0;  // steady clock, milliseconds
    std::string errorText_;
    std::string pruneError_;
    bool pruned_ = false;
    bool flushing_ = false;           // a flush runs: not cut short by interrupt()
    bool reading_ = false;            // a read transaction of lookups is open
    std::int64_t readSince_ = 0;      // steady clock, milliseconds
    std::int64_t lockWaitSince_ = 0;  // steady clock, milliseconds
    std::atomic<bool> stopping_{false};
    std::mutex handleMutex_;
    sqlite3* handle_ = nullptr;  // the connection while open; guarded by handleMutex_
};
