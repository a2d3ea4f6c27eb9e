// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/GroupCheck.h"

// Confirms fingerprint groups by their whole content. Each file is hashed
// with XXH3-128 in large sequential reads; a group whose files differ early
// is told apart by a block from the start and one from the end before any
// file is read whole. Full hashes are cached in a table of their own in the
// file database, valid while the file row's FTIME and MASK and the file's
// 64-bit length, identity and fine modification and change times are what
// they were when it was hashed.
//
// Works over a connection of its own that waits a while for a lock, and
// writes only its own tables, so it never makes a write of the analysis
// fail. Used by one thread at a time; the stop flag may be set, and
// interrupt() called, from any thread.
class ContentChecker {
public:
    struct Counters {
        std::uint64_t filesOpened = 0;
        std::uint64_t bytesRead = 0;
    };

    // `databasePath` in program form (C:\...\FileInfo__.db); not opened yet.
    explicit ContentChecker(std::string databasePath);
    ~ContentChecker();
    ContentChecker(const ContentChecker&) = delete;
    ContentChecker& operator=(const ContentChecker&) = delete;

    // Opens the connection, creates the cache tables when missing (or
    // completes those of an earlier layout) and, when the file rows changed
    // since the last time, drops the cache rows whose file row is gone; a
    // pruning that fails is left for the next open. False, with the reason
    // in errorText(), when the database cannot be opened or the tables
    // cannot be made, or when interrupted ("stopped").
    [[nodiscard]] bool open();

    // Appends one group per MASK of `masks`, in that order, holding the
    // group's file rows (state Unchecked). One pass over the file table,
    // whatever the number of masks. False when the rows cannot be read or
    // when interrupted.
    [[nodiscard]] bool loadGroups(const std::vector<std::string>& masks,
                                  std::vector<GroupCheck>& out);

    // Checks `group` in place: reads what the cache cannot answer, stores
    // the new hashes, and sets the classes, link sets, file statuses and
    // state. When `stop` becomes true the status calls and the reading end
    // (between two names, between two blocks) and the group is left
    // Unchecked, with no classes (what its file statuses and link sets hold
    // then is not an answer); hashes made before the stop are not stored.
    void check(GroupCheck& group, const std::atomic<bool>& stop);

    // Writes the hashes still pending (the destructor does it too); false
    // when they could not be written.
    [[nodiscard]] bool flush();

    // Ends the checker's database work from any thread, at any time during
    // its life: a statement running or waiting for a lock fails at once, and
    // so do open() and loadGroups() from then on. The flush still writes
    // what it holds, but does not wait for a lock. A check's reading ends
    // by its own stop flag.
    void interrupt();

    // Drops the cached hash of one file row (a file the program removed), so
    // that no stale row outlives it until the next pruning.
    [[nodiscard]] bool forget(const std::string& folderId, const std::string& name);

    // Called on the checking thread after each block of a whole-file read,
    // with the bytes the block held (for a progress display).
    void setBlockListener(std::function<void(std::uint64_t bytes)> onBlock);
    // Called on the checking thread once check() has taken the status of
    // every name of the group, before any reading, with the sum of their
    // 64-bit lengths (names without a status count nothing): the bytes the
    // group stands for, for a progress display.
    void setMeasureListener(std::function<void(std::uint64_t bytes)> onMeasured);

    // Why the last pruning failed ("" when it ran or was not due), and
    // whether open() pruned.
    const std::string& pruneError() const;
    bool pruned() const;

    // Files opened for reading their content and bytes read since
    // construction; a file answered by the cache counts in neither.
    const Counters& counters() const { return counters_; }
    const std::string& errorText() const { return errorText_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Counters counters_;
    std::string errorText_;
};
