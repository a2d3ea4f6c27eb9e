// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FolderInventory.h"
#include "util/platform/Trash.h"

class CFileInfoDB;
class ContentChecker;

// Moves identical folders to the desktop's trash, each as one item (the user
// restores it whole), keeping one of them. The folder that goes is held to
// what the analysis stored and to the folder that stays, with the checks
// every move of a copy makes (FilePairCheck), right before it moves:
// - it is not protected and holds no protected folder (AnalysisScope), and
//   it neither holds the folder that stays nor lies in it;
// - it holds exactly the files and subfolders stored, nothing added or
//   removed, and nothing but regular files and real folders (no link, no
//   FIFO, no name the scan could not store);
// - every file is as stored (regular, its length and time) and equals its
//   counterpart in the folder that stays byte for byte, which must be as
//   stored too; a counterpart that is the same file (a hard link between the
//   two folders) needs no comparison;
// - then, right before the move, the listing is taken again and every file
//   of both folders must still be the version compared (identity, length,
//   times to the nanosecond).
// The move goes by name, so afterwards the folder in the trash must be the
// folder checked, each of its files the version compared, and the files
// that stay unchanged; otherwise the move is undone. A folder refused stays
// where it is (or is put back) with the first difference named.
//
// After a move the rows of the folder, its subfolders and its files leave the
// database, and their cached hashes the content cache; the caller rebuilds
// the index.
class FolderRemover {
public:
    // A folder as the analysis stored it.
    struct StoredFolder {
        struct File {
            std::string relative;  // below the folder: names joined by backslashes
            std::string folderId;  // FILEINFO_FIF.FOLDERID
            std::string name;      // FILEINFO_FIF.FNAME
            std::uint64_t length = 0;
            std::int64_t rowTime = 0;
        };
        std::string path;                     // program form, ending in a backslash
        std::vector<File> files;              // every file of its subtree
        std::vector<std::string> subfolders;  // relative paths, each ending in a backslash

        // `folder` of `inventory` with its whole subtree.
        static StoredFolder of(const FolderInventory& inventory, std::uint32_t folder);
    };

    enum class Refusal {
        None,            // moved
        NotIdentical,    // its stored files or subfolders are not those of the folder that stays
        Nested,          // it holds the folder that stays, lies in it, or is it
        Protected,       // it is or holds a protected folder (or they cannot be read)
        KeptChanged,     // a file of the folder that stays is gone, changed or unreadable
        NotAsStored,     // something was added, removed or changed since the analysis
        ContentDiffers,  // a file's bytes differ from its counterpart's
        Unreadable,      // a file could not be read
        TrashFailed,     // the trash refused it
        MovedBack,       // it moved, then was found not to be what was checked, and was put back
        NotMovedBack,    // as MovedBack, but it could not be put back: it is at `trashed`
    };
    struct Outcome {
        std::string folder;  // the path of the folder that was to go
        Refusal refusal = Refusal::None;
        std::string reason;  // what the first difference is; empty for a folder that moved
        std::string at;      // where it lies: a relative path ("" for the folder itself)
        bool rowsDeleted = false;
        platform::TrashedItem trashed;  // for a folder that moved, and for NotMovedBack
    };
    // The points where a hook is called: before a file pair is compared
    // (with the file's relative path), and after the last check, right
    // before the move (with an empty path).
    enum class Step { BeforeCompare, BeforeMove };
    using MoveFunction = std::function<bool(const std::string& path, platform::TrashedItem& item,
                                            std::string& reason)>;
    using StepHook =
        std::function<void(Step step, const std::string& folder, const std::string& relative)>;

    // Both must outlive the remover; `cache` must be open. `move` moves a
    // folder to the trash (platform::moveToTrash when empty).
    FolderRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move = {},
                  StepHook hook = {});

    // Moves each of `going` to the trash, each checked against `keep` first.
    // One outcome per folder, in that order.
    std::vector<Outcome> moveToTrash(const StoredFolder& keep,
                                     const std::vector<StoredFolder>& going);

    // Whether the folder on disk holds exactly what `stored` lists, nothing
    // added or removed, and nothing but regular files and real folders; the
    // first difference in `reason`, and where, in `at`. For a folder that
    // goes without a counterpart (SpaceItemRemover).
    static bool holdsAsStored(const StoredFolder& stored, std::string& reason, std::string& at);

private:
    struct Checked;

    Outcome moveOne(const StoredFolder& keep, const StoredFolder& going);
    Refusal compareFiles(const StoredFolder& keep, const StoredFolder& going, Checked& checked,
                         Outcome& outcome) const;
    static Refusal lastCheck(const StoredFolder& keep, const StoredFolder& going,
                             const Checked& checked, Outcome& outcome);
    static std::string changedByTheMove(const StoredFolder& keep, const StoredFolder& going,
                                        const Checked& checked,
                                        const platform::TrashedItem& trashed);
    void forgetRows(const StoredFolder& going, Outcome& outcome);

    CFileInfoDB& database_;
    ContentChecker& cache_;
    MoveFunction move_;
    StepHook hook_;
};
