// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FolderCopies.h"
#include "engine/FolderInventory.h"

// Identical and redundant folders of an inventory.
//
// Identical folders (相同文件夹): two folders or more whose subtrees hold
// the same relative paths (names compared as the inventory compares them),
// each file of the same confirmed content class (hard links are the same
// content), empty files and empty subfolders included by name. A folder
// with a file whose content is not confirmed is identical to nothing, and so
// is a folder without any file in its subtree (an empty folder).
//
// Redundant folders (冗余文件夹): folders that are 全部有副本 (FolderCopies)
// and hold at least one byte.
//
// Only the outermost match is listed: a set is left out when each of its
// folders lies in a folder of another set (the subfolders of identical
// folders are identical too); a redundant folder is left out when its parent
// is redundant as well, when it is in a set, or when it lies in a folder of a
// set. Each folder's signature is made bottom-up from the sorted (name,
// content) of its files and (name, signature) of its subfolders, so finding
// the sets costs one pass over the files and folders.
class IdenticalFolders {
public:
    struct Set {
        std::vector<std::uint32_t> folders;  // by path; the first is the one kept by default
        std::uint64_t files = 0;             // in the subtree of one of them
        std::uint64_t bytes = 0;             // of one of them
        std::uint64_t freed = 0;             // when the first stays and the others go
    };
    struct Redundant {
        std::uint32_t folder = FolderInventory::kNoFolder;
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
        std::vector<FolderCopies::Holder> holders;  // the largest, at most kMostHolders
    };
    static constexpr std::size_t kMostHolders = 5;

    // Both must outlive this object.
    IdenticalFolders(const FolderInventory& inventory, const FolderCopies& copies);

    // Most bytes freed first, then most bytes, then by the first path.
    const std::vector<Set>& sets() const { return sets_; }
    // Most bytes first, then by path.
    const std::vector<Redundant>& redundant() const { return redundant_; }

    // The bytes that moving every folder of `set` but `keep` (one of them)
    // frees: a file whose every name lies in the folders that go. A name
    // of a file that stays elsewhere (a hard link) frees nothing.
    std::uint64_t freedKeeping(const Set& set, std::uint32_t keep) const;

private:
    void findSets();
    void listRedundant();

    const FolderInventory& inventory_;
    const FolderCopies& copies_;
    std::vector<std::uint32_t> setOf_;  // per folder: its set's index in `found`, or kNoFolder
    std::vector<std::uint32_t> names_;  // per identity: how many names it has
    std::vector<Set> sets_;
    std::vector<Redundant> redundant_;
};
