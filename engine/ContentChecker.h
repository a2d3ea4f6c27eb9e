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
// 64-bit length are what they were when it was hashed.
//
// Works over a connection of its own with a busy timeout, and writes only its
// own table, so it never makes a write of the analysis fail. Used by one
// thread at a time; the stop flag may be set from any thread.
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

    // Opens the connection, creates the cache table when missing and drops
    // its rows whose file row is gone. False, with the reason in errorText(),
    // when the database cannot be opened.
    [[nodiscard]] bool open();

    // Appends one group per MASK of `masks`, in that order, holding the
    // group's file rows (state Unchecked). One pass over the file table,
    // whatever the number of masks. False when the rows cannot be read.
    [[nodiscard]] bool loadGroups(const std::vector<std::string>& masks,
                                  std::vector<GroupCheck>& out);

    // Checks `group` in place: reads what the cache cannot answer, stores
    // the new hashes, and sets the classes, link sets, file statuses and
    // state. When `stop` becomes true the reading ends between two blocks
    // and the group is left Unchecked, with no classes (what its file
    // statuses and link sets hold then is not an answer); hashes made before
    // the stop are not stored.
    void check(GroupCheck& group, const std::atomic<bool>& stop);

    // Drops the cached hash of one file row (a file the program removed), so
    // that no stale row outlives it until the next pruning.
    [[nodiscard]] bool forget(const std::string& folderId, const std::string& name);

    // Called on the checking thread after each block of a whole-file read,
    // with the bytes the block held (for a progress display).
    void setBlockListener(std::function<void(std::uint64_t bytes)> onBlock);

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
