// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FolderCopies.h"
#include "engine/FolderInventory.h"

// The space figures of every folder of an inventory and of every drive that
// holds its top folders, each for the whole subtree: apparent size and disk
// usage with the names of one file (hard links) counted once, as du counts
// them; file names; and the bytes of files with a distinct copy outside the
// folder (FolderCopies), hard links once too.
//
// Nodes: folder i of the inventory is node i; drive d is node
// folders().size() + d. Drives are the first three characters of the top
// folders' paths ("C:\"), in the order of the folders.
//
// Computed in one pass over the files plus one per hard-linked file: each
// distinct file adds its bytes to the folders of its names, and each two
// names (in folder order) take them back at the deepest node holding both,
// so a subtree sum counts a file once however many of its names it holds.
//
// A drive's copied bytes are its top folders' summed, plus a file's copy in
// another top folder of the same drive counting as outside (FolderCopies
// tells a copy in another top folder apart from one on another drive no
// further); where the drive's root was analysed it is the root's own figure.
class SpaceFigures {
public:
    static constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

    struct Totals {
        std::uint64_t size = 0;
        std::uint64_t diskUsage = 0;
        std::uint64_t files = 0;
        std::uint64_t copiedBytes = 0;
        bool allCopied = false;
    };

    // Both must outlive this object. Without `copies` (null) no file counts
    // as copied.
    SpaceFigures(const FolderInventory& inventory, const FolderCopies* copies);

    std::uint32_t nodeCount() const { return std::uint32_t(totals_.size()); }
    std::uint32_t driveCount() const { return std::uint32_t(drives_.size()); }
    std::uint32_t driveNode(std::uint32_t drive) const { return folderCount_ + drive; }
    bool isDrive(std::uint32_t node) const { return node >= folderCount_ && node < nodeCount(); }
    // "C:\" for a drive node.
    const std::string& driveRoot(std::uint32_t node) const { return drives_[node - folderCount_]; }
    // The drive node of a folder node (of its top folder).
    std::uint32_t driveOf(std::uint32_t folder) const { return driveOfFolder_[folder]; }
    // The parent node: the parent folder, the drive for a top folder, kNoNode for a drive.
    std::uint32_t parent(std::uint32_t node) const;

    const Totals& totals(std::uint32_t node) const { return totals_[node]; }

private:
    // The deepest node holding both (a drive above two top folders on it).
    std::uint32_t common(std::uint32_t a, std::uint32_t b) const;
    std::uint32_t reachOf(std::uint32_t file) const {
        return copies_ != nullptr ? copies_->reach(file) : FolderCopies::kNoCopy;
    }
    void findDrives();
    void addFiles();
    void addLinks(const std::vector<std::uint32_t>& names);
    void sumUp();

    const FolderInventory& inventory_;
    const FolderCopies* copies_;
    std::uint32_t folderCount_ = 0;
    std::vector<std::string> drives_;
    std::vector<std::uint32_t> driveOfFolder_;
    // Own figures first (deltas, signed while they are), then subtree sums.
    std::vector<std::int64_t> size_, disk_, copied_;
    std::vector<Totals> totals_;
};
