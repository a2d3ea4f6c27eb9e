// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FolderInventory.h"
#include "engine/FolderRemover.h"
#include "util/platform/ContentFile.h"
#include "util/platform/Trash.h"

class CFileInfoDB;
class ContentChecker;

// Moves one item the user chose in the space view to the desktop's trash: a
// file, or a folder whole (the user restores it whole). Nothing is compared
// with another file, as no copy is kept on its behalf; what is checked, right
// before the move, is that the item is still what the analysis stored:
// - it is not protected and lies in no protected folder (AnalysisScope);
// - a file: a regular file of the row's length and time, and, where the
//   scan stored its identity (a hard-linked file), that same file;
// - a folder: exactly the stored files and subfolders, nothing added or
//   removed, nothing but regular files and real folders, each file as its
//   row says (FolderRemover's own checks of a folder that goes);
// and, after the move, the item in the trash must be the one checked,
// otherwise the move is undone. Refused items stay where they are, with the
// first difference named in the outcome.
//
// After a move the rows of the item leave the database (and their hashes the
// content cache); the caller reloads what it shows.
class SpaceItemRemover {
public:
    using Refusal = FolderRemover::Refusal;  // NotAsStored, Protected, TrashFailed ...
    using Outcome = FolderRemover::Outcome;
    using MoveFunction = FolderRemover::MoveFunction;
    // Called after the last check, right before the move, with the item's path.
    using BeforeMove = std::function<void(const std::string& path)>;

    // Both must outlive the remover; `cache` must be open. `move` moves an
    // item to the trash (platform::moveToTrash when empty).
    SpaceItemRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move = {},
                     BeforeMove hook = {});

    // The file `file` of `inventory`, as stored there.
    Outcome moveFile(const FolderInventory& inventory, std::uint32_t file);
    // The folder `folder` of `inventory` with its whole subtree.
    Outcome moveFolder(const FolderInventory& inventory, std::uint32_t folder);

private:
    using StoredFolder = FolderRemover::StoredFolder;

    bool checkFolder(const StoredFolder& stored, platform::FileStatus& self,
                     std::vector<platform::FileStatus>& checked, Outcome& outcome) const;
    bool recheckFolder(const StoredFolder& stored, const platform::FileStatus& self,
                       const std::vector<platform::FileStatus>& checked, Outcome& outcome) const;
    static std::string changedByTheMove(const StoredFolder& stored,
                                        const platform::FileStatus& self,
                                        const std::vector<platform::FileStatus>& checked,
                                        const platform::TrashedItem& trashed);
    static Refusal putBack(Outcome& outcome, const std::string& why);

    CFileInfoDB& database_;
    ContentChecker& cache_;
    MoveFunction move_;
    BeforeMove hook_;
};
