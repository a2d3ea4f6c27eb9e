// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/GroupCheck.h"

class CFileInfoDB;
class ContentChecker;

// Moves extra copies of a file to the desktop's trash, for a group the
// content check has read. Only files of one content class are ever moved,
// never the file that stays nor another name of it (a hard link), and never
// the last copy. Right before each file moves it is checked again: it is
// still a regular file (a name that became a link, a folder or a FIFO is
// refused) with the length and time of its row, it is not the file that
// stays, and its content equals that file's, compared byte for byte. A
// refused file stays where it is and nothing else happens to it.
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
        Changed,         // its length or time is no longer its row's
        SameFile,        // another name of the file that stays
        ContentDiffers,  // a byte differs from the file that stays
        Unreadable,      // it could not be read; `reason` says why
        TrashFailed,     // the trash refused it; `reason` says why
        Protected,       // it lies in a protected folder (or they cannot be read)
    };
    struct Outcome {
        int file = -1;  // index into the group's files
        Refusal refusal = Refusal::None;
        std::string reason;  // the system's words, where it gave any
        bool rowDeleted = false;
    };

    // Both must outlive the remover; `cache` must be open.
    CopyRemover(CFileInfoDB& database, ContentChecker& cache);

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

private:
    Refusal checkBeforeMoving(const GroupCheck& group, int keep, int file, std::string& reason);

    CFileInfoDB& database_;
    ContentChecker& cache_;
};
