// SPDX-License-Identifier: MIT
#include "engine/SpaceFigures.h"

#include <algorithm>
#include <numeric>

SpaceFigures::SpaceFigures(const FolderInventory& inventory, const FolderCopies* copies)
    : inventory_(inventory),
      copies_(copies),
      folderCount_(std::uint32_t(inventory.folders().size())) {
    findDrives();
    const std::size_t nodes = std::size_t(folderCount_) + drives_.size();
    size_.assign(nodes, 0);
    disk_.assign(nodes, 0);
    copied_.assign(nodes, 0);
    totals_.assign(nodes, Totals());
    addFiles();
    sumUp();
}

void SpaceFigures::findDrives() {
    const auto& folders = inventory_.folders();
    driveOfFolder_.assign(folders.size(), kNoNode);
    for (std::uint32_t f = 0; f < folders.size(); ++f) {
        const FolderInventory::Folder& folder = folders[f];
        if (folder.parent != FolderInventory::kNoFolder) {
            driveOfFolder_[f] = driveOfFolder_[folder.parent];
            continue;
        }
        const std::string root = folder.path.substr(0, 3);
        auto found = std::find(drives_.begin(), drives_.end(), root);
        if (found == drives_.end()) found = drives_.insert(drives_.end(), root);
        driveOfFolder_[f] = folderCount_ + std::uint32_t(found - drives_.begin());
    }
}

std::uint32_t SpaceFigures::parent(std::uint32_t node) const {
    if (node >= folderCount_) return kNoNode;
    const std::uint32_t above = inventory_.folders()[node].parent;
    return above != FolderInventory::kNoFolder ? above : driveOfFolder_[node];
}

std::uint32_t SpaceFigures::common(std::uint32_t a, std::uint32_t b) const {
    if (a == kNoNode || b == kNoNode) return kNoNode;
    if (a >= folderCount_ || b >= folderCount_) {
        const std::uint32_t da = a >= folderCount_ ? a : driveOfFolder_[a];
        const std::uint32_t db = b >= folderCount_ ? b : driveOfFolder_[b];
        return da == db ? da : kNoNode;
    }
    const std::uint32_t folder = inventory_.commonFolder(a, b);
    if (folder != FolderInventory::kNoFolder) return folder;
    return driveOfFolder_[a] == driveOfFolder_[b] ? driveOfFolder_[a] : kNoNode;
}

// Each name adds its file's bytes to its folder, and its copied bytes to the
// folders below the one holding every distinct copy (its reach); names of
// hard-linked files are gathered and taken back pairwise by addLinks().
void SpaceFigures::addFiles() {
    const auto& files = inventory_.files();
    std::vector<std::uint32_t> linked;  // names whose identity another name shares
    std::vector<std::uint32_t> nameCount(files.size(), 0);
    for (const FolderInventory::File& file : files) ++nameCount[file.identity];
    for (std::uint32_t i = 0; i < files.size(); ++i) {
        const FolderInventory::File& file = files[i];
        ++totals_[file.folder].files;
        size_[file.folder] += std::int64_t(file.length);
        disk_[file.folder] += std::int64_t(file.allocated);
        const std::uint32_t reach = reachOf(i);
        if (reach != FolderCopies::kNoCopy) {
            copied_[file.folder] += std::int64_t(file.length);
            if (reach != FolderCopies::kEveryFolder) copied_[reach] -= std::int64_t(file.length);
        }
        if (nameCount[file.identity] > 1) linked.push_back(i);
    }
    // Names of one file, each identity's names in folder (preorder) order.
    std::stable_sort(linked.begin(), linked.end(), [&](std::uint32_t a, std::uint32_t b) {
        return files[a].identity < files[b].identity;
    });
    std::vector<std::uint32_t> names;
    for (std::size_t i = 0; i < linked.size(); ++i) {
        names.push_back(linked[i]);
        if (i + 1 == linked.size() || files[linked[i + 1]].identity != files[linked[i]].identity) {
            addLinks(names);
            names.clear();
        }
    }
}

// Takes back what the names of one file added twice: for two names next to
// each other in folder order, once at the deepest node holding both. A node
// counts a copy only below the reach (all names share the copies, so the
// node that holds both and the copies gets it back).
void SpaceFigures::addLinks(const std::vector<std::uint32_t>& names) {
    const auto& files = inventory_.files();
    for (std::size_t k = 1; k < names.size(); ++k) {
        const FolderInventory::File& file = files[names[k]];
        const auto bytes = std::int64_t(file.length);
        const std::uint32_t both = common(files[names[k - 1]].folder, file.folder);
        if (both == kNoNode) continue;
        size_[both] -= bytes;
        disk_[both] -= std::int64_t(file.allocated);
        const std::uint32_t reach = reachOf(names[k]);
        if (reach == FolderCopies::kNoCopy) continue;
        copied_[both] -= bytes;
        if (reach != FolderCopies::kEveryFolder) {
            const std::uint32_t back = common(both, reach);
            if (back != kNoNode) copied_[back] += bytes;
        }
    }
}

// Children come after their parents (preorder), so a backward pass sums each
// subtree into its parent node, and top folders into their drives.
void SpaceFigures::sumUp() {
    const auto clamp = [](std::int64_t value) {
        return std::uint64_t(std::max<std::int64_t>(value, 0));
    };
    for (std::uint32_t f = folderCount_; f-- > 0;) {
        const std::uint32_t above = parent(f);
        Totals& totals = totals_[f];
        totals.size = clamp(size_[f]);
        totals.diskUsage = clamp(disk_[f]);
        totals.copiedBytes = std::min(clamp(copied_[f]), totals.size);
        totals.allCopied = copies_ != nullptr && copies_->allCopied(f);
        if (above == kNoNode) continue;
        size_[above] += size_[f];
        disk_[above] += disk_[f];
        copied_[above] += copied_[f];
        totals_[above].files += totals.files;
    }
    for (std::uint32_t d = folderCount_; d < totals_.size(); ++d) {
        Totals& totals = totals_[d];
        totals.size = clamp(size_[d]);
        totals.diskUsage = clamp(disk_[d]);
        totals.copiedBytes = std::min(clamp(copied_[d]), totals.size);
        totals.allCopied = totals.files > 0;
    }
    // A drive is all copied when each of its top folders with files is.
    for (std::uint32_t f = 0; f < folderCount_; ++f)
        if (inventory_.folders()[f].parent == FolderInventory::kNoFolder && totals_[f].files > 0 &&
            !totals_[f].allCopied)
            totals_[driveOfFolder_[f]].allCopied = false;
}
