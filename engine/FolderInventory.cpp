// SPDX-License-Identifier: MIT
#include "engine/FolderInventory.h"

#include <algorithm>
#include <numeric>

namespace {

unsigned char folded(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool nameBefore(std::string_view a, std::string_view b, bool foldCase) {
    if (!foldCase) return a < b;
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = folded(static_cast<unsigned char>(a[i]));
        const unsigned char y = folded(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

}  // namespace

void FolderInventory::Builder::addFolder(std::int64_t rowId, std::string path) {
    if (!folderOfRow_.emplace(rowId, std::uint32_t(folders_.size())).second) return;
    Folder folder;
    folder.path = std::move(path);
    folder.rowId = rowId;
    folders_.push_back(std::move(folder));
}

bool FolderInventory::Builder::addFile(std::int64_t folderRowId, std::string_view name,
                                       std::uint64_t length, std::int64_t rowTime,
                                       std::uint32_t content, std::uint32_t identity) {
    const auto found = folderOfRow_.find(folderRowId);
    if (found == folderOfRow_.end()) return false;
    rows_.push_back({found->second, std::uint32_t(names_.size()), std::uint32_t(name.size()),
                     length, rowTime, content, identity});
    names_.append(name);
    return true;
}

FolderInventory FolderInventory::Builder::finish(bool foldCase, std::vector<std::uint32_t>* added) {
    FolderInventory inventory;
    inventory.foldCase_ = foldCase;
    // Folders in path order, each linked to the nearest stored folder above it.
    std::vector<std::uint32_t> order(folders_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return folders_[a].path < folders_[b].path;
    });
    std::vector<std::uint32_t> position(folders_.size());
    std::vector<std::uint32_t> open;  // the folders holding the current one, outermost first
    inventory.folders_.reserve(folders_.size());
    for (const std::uint32_t old : order) {
        const auto index = std::uint32_t(inventory.folders_.size());
        position[old] = index;
        Folder folder = std::move(folders_[old]);
        while (!open.empty()) {
            Folder& above = inventory.folders_[open.back()];
            if (folder.path.compare(0, above.path.size(), above.path) == 0) break;
            above.end = index;
            open.pop_back();
        }
        folder.parent = open.empty() ? kNoFolder : open.back();
        folder.depth = std::uint32_t(open.size());
        open.push_back(index);
        inventory.folders_.push_back(std::move(folder));
    }
    for (const std::uint32_t index : open)
        inventory.folders_[index].end = std::uint32_t(inventory.folders_.size());

    // Files grouped by folder (a counting sort), then by name within each.
    std::vector<std::uint32_t> start(inventory.folders_.size() + 1, 0);
    for (const Row& row : rows_) ++start[position[row.folder] + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<std::uint32_t> byFolder(rows_.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::uint32_t i = 0; i < rows_.size(); ++i)
            byFolder[next[position[rows_[i].folder]]++] = i;
    }
    const std::string_view names(names_);
    const auto nameOf = [&](std::uint32_t row) {
        return names.substr(rows_[row].nameStart, rows_[row].nameSize);
    };
    for (std::size_t f = 0; f < inventory.folders_.size(); ++f) {
        inventory.folders_[f].firstFile = start[f];
        inventory.folders_[f].fileEnd = start[f + 1];
        std::sort(byFolder.begin() + start[f], byFolder.begin() + start[f + 1],
                  [&](std::uint32_t a, std::uint32_t b) {
                      return nameBefore(nameOf(a), nameOf(b), foldCase);
                  });
    }
    // Identities become the position of each file's first name.
    std::vector<std::uint32_t> firstName(rows_.size(), kNoFolder);
    inventory.files_.reserve(rows_.size());
    for (const std::uint32_t i : byFolder) {
        const Row& row = rows_[i];
        const std::uint32_t old = row.identity < rows_.size() ? row.identity : i;
        if (firstName[old] == kNoFolder) firstName[old] = std::uint32_t(inventory.files_.size());
        inventory.files_.push_back({position[row.folder], row.nameStart, row.nameSize, row.length,
                                    row.rowTime, row.content, firstName[old]});
    }
    inventory.names_ = std::move(names_);
    if (added != nullptr) *added = std::move(byFolder);
    *this = Builder();
    return inventory;
}

std::string FolderInventory::path(const File& file) const {
    std::string whole = folders_[file.folder].path;
    whole.append(name(file));
    return whole;
}

std::uint32_t FolderInventory::commonFolder(std::uint32_t a, std::uint32_t b) const {
    while (a != kNoFolder && b != kNoFolder && a != b) {
        if (folders_[a].depth >= folders_[b].depth)
            a = folders_[a].parent;
        else
            b = folders_[b].parent;
    }
    return a == b ? a : kNoFolder;
}

std::uint32_t FolderInventory::find(std::string_view path) const {
    const auto found = std::lower_bound(
        folders_.begin(), folders_.end(), path,
        [](const Folder& folder, std::string_view wanted) { return folder.path < wanted; });
    return found != folders_.end() && found->path == path ? std::uint32_t(found - folders_.begin())
                                                          : kNoFolder;
}

std::string FolderInventory::relativePath(std::uint32_t outer, std::uint32_t folder) const {
    return folders_[folder].path.substr(folders_[outer].path.size());
}
