// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/GroupCheck.h"
#include "util/platform/Trash.h"

class CFileInfoDB;
class ContentChecker;

// Moves extra copies of a file to the desktop's trash, for a group the
// content check has read. Only files of one content class are ever moved,
// never the file that stays nor another name of it (a hard link), and never
// the last copy.
//
// Right before each file moves, it and the file that stays are opened and
// checked against their rows (regular files, the class's length, the row's
// time; the copy is not the file that stays), then compared byte for byte.
// The statuses of the two open files taken then are what every later check
// holds them to: identity, length, modification time to the nanosecond and
// change time (platform::sameVersion). After the comparison both open files
// are asked again, so a write during it is seen, and then both names, so a
// name that leads elsewhere now is seen; nothing but the move follows that
// last check. The move goes by name, so afterwards what went to the trash
// must be the compared copy (identity, length, modification time) and the
// file that stays must still be the compared version; otherwise the move is
// undone. A refused file stays where it is (or is put back there) and nothing
// else happens to it. What no check can see is a write to the copy in the
// instant between the last check and the rename (a rename moves the change
// time too): the copy then goes to the trash whole with those bytes, as it
// would with a write an instant after the move, and the file that stays still
// holds the compared content.
//
// After a move the file's row leaves the file table and its cached hash
// leaves the content cache; the caller rebuilds the index.
class CopyRemover {
public:
    enum class Refusal {
        None,            // moved
        NotOffered,      // not in the class of the file that stays, or the same file
        KeptChanged,     // the file that stays is gone, changed or unreadable
        NotRegular,      // no longer a regular file (a link, a folder, gone)
        Changed,         // not its row's length or time, or changed since it was compared
        SameFile,        // another name of the file that stays
        ContentDiffers,  // a byte differs from the file that stays
        Unreadable,      // it could not be read; `reason` says why
        TrashFailed,     // the trash refused it; `reason` says why
        MovedBack,       // it moved, then was found changed, and was put back
        NotMovedBack,    // as MovedBack, but it could not be put back: it is at `trashed`
        Protected,       // it lies in a protected folder (or they cannot be read)
    };
    struct Outcome {
        int file = -1;  // index into the group's files
        Refusal refusal = Refusal::None;
        // Why it was refused: the system's words where it gave any, else
        // what the check found. Empty for a file that moved.
        std::string reason;
        bool rowDeleted = false;
        // Where it is in the trash: for a file that moved (kept to undo the
        // move later), and for NotMovedBack.
        platform::TrashedItem trashed;
    };
    // The points of the sequence where a hook is called: both files open and
    // as their rows say, nothing read yet; after the first block of the
    // comparison; after the last check, right before the move.
    enum class Step { BeforeCompare, DuringCompare, BeforeMove };
    using MoveFunction = std::function<bool(const std::string& path, platform::TrashedItem& item,
                                            std::string& reason)>;
    using StepHook = std::function<void(Step step, int keep, int file)>;

    // Both must outlive the remover; `cache` must be open. `move` moves a
    // file to the trash (platform::moveToTrash when empty); `hook`, when
    // given, is called at each step with the indices of the two files.
    CopyRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move = {},
                StepHook hook = {});

    // The files that go when `keep` stays: the other members of its class,
    // without other names of `keep` itself. Empty when `keep` has no class.
    static std::vector<int> copiesOf(const GroupCheck& group, int keep);
    // The file that may stay when `file` alone goes: the first member of its
    // class that is not another name of it; -1 when there is none (then
    // `file` is the last copy of its content).
    static int keeperFor(const GroupCheck& group, int file);

    // Moves each of `files` (indices into `group.files`) to the trash, each
    // checked against `keep` first. A file in a protected folder
    // (AnalysisScope::loadProtection) is refused. One outcome per file, in
    // that order.
    std::vector<Outcome> moveToTrash(const GroupCheck& group, int keep,
                                     const std::vector<int>& files);

    // Called after each block the comparison found equal in both files,
    // with the bytes of that block of the copy (for a progress display).
    void setBlockListener(std::function<void(std::uint64_t bytes)> onBlock) {
        onBlock_ = std::move(onBlock);
    }
    // Whether a moved file's cached hash is dropped at once (the default) or
    // left to the content cache's next pruning, which drops every row whose
    // file row is gone (a stale row is never used: its file row is). A run
    // that moves many files within one transaction of `database` leaves it:
    // the cache's own connection cannot write until that transaction ends.
    void setForgetHashes(bool forget) { forgetHashes_ = forget; }

private:
    struct Compared;

    Outcome moveOne(const GroupCheck& group, int keep, int file);
    Refusal compare(const GroupCheck& group, int keep, int file, Compared& pair,
                    std::string& reason);
    static Refusal lastCheck(const GroupCheck& group, int keep, int file, const Compared& pair,
                             std::string& reason);
    static std::string changedByTheMove(const GroupCheck& group, int keep, const Compared& pair,
                                        const platform::TrashedItem& trashed);
    static void undo(Outcome& outcome, const std::string& what);
    void step(Step at, int keep, int file) const {
        if (hook_) hook_(at, keep, file);
    }

    CFileInfoDB& database_;
    ContentChecker& cache_;
    MoveFunction move_;
    StepHook hook_;
    std::function<void(std::uint64_t)> onBlock_;
    bool forgetHashes_ = true;
};
