// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FolderInventory.h"

// How much of each folder exists elsewhere: for every folder of an
// inventory, the files and bytes of its subtree whose confirmed content
// class holds a distinct file outside that folder (有副本). A distinct file
// is not another name of the same file: a file whose only other names are
// hard links has no copy, and moving it frees nothing. A folder whose files
// (one at least) all have such a copy is 全部有副本: moving it to the trash
// loses no content. Empty files are copies of one another.
//
// Computed once, in one pass over the files by content class: for each file
// the deepest folder that holds it and all its distinct copies (its reach);
// the file counts for every folder between its own and that one. Bytes are
// each file row's length: names of one file count once each.
class FolderCopies {
public:
    struct Totals {
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
        std::uint64_t copiedFiles = 0;  // with a distinct copy outside the folder
        std::uint64_t copiedBytes = 0;
    };
    // A folder that holds copies of a folder's files.
    struct Holder {
        std::uint32_t folder = FolderInventory::kNoFolder;
        std::uint64_t bytes = 0;  // of the folder's files that have a copy in the holder's subtree
    };
    // The reach of a file with no distinct copy, and of one with a copy in
    // another top folder (it counts for every folder that holds it).
    static constexpr std::uint32_t kNoCopy = FolderInventory::kNoFolder;
    static constexpr std::uint32_t kEveryFolder = FolderInventory::kNoFolder - 1;

    // `inventory` must outlive this object.
    explicit FolderCopies(const FolderInventory& inventory);

    // The figures of the subtree of `folder`.
    const Totals& totals(std::uint32_t folder) const { return totals_[folder]; }
    // 全部有副本: one file at least, and every file has a distinct copy outside.
    bool allCopied(std::uint32_t folder) const {
        return totals_[folder].files > 0 && totals_[folder].copiedFiles == totals_[folder].files;
    }
    // Whether `file` has a distinct copy outside `folder`, a folder that holds it.
    bool copiedOutside(std::uint32_t file, std::uint32_t folder) const;
    // The deepest folder holding `file` and every distinct copy of it;
    // kNoCopy or kEveryFolder as above.
    std::uint32_t reach(std::uint32_t file) const { return reach_[file]; }

    // The folders outside `folder` that hold copies of its files, most bytes
    // first, at most `most`: each as specific as it can be while it holds all
    // the copies its parent holds (a photo library copied to a second disk is
    // named by the copy's own top folder, not by each of its subfolders nor
    // by the disk). Files with very many copies are followed to a few of them.
    std::vector<Holder> holders(std::uint32_t folder, std::size_t most) const;

private:
    void findReaches();
    void sumUp();

    const FolderInventory& inventory_;
    std::vector<std::uint32_t> reach_;
    std::vector<Totals> totals_;
    std::vector<std::uint32_t>
        classStart_;                      // into members_, per content class (one extra at the end)
    std::vector<std::uint32_t> members_;  // files by content class, by identity within one
};
