// SPDX-License-Identifier: MIT
#include "engine/FolderCopies.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

// No folder taken yet, in the fold of folders below.
constexpr std::uint32_t kUnset = FolderCopies::kEveryFolder - 1;
// Copies followed per file when looking for the folders that hold them.
constexpr std::size_t kCopiesFollowed = 8;

}  // namespace

FolderCopies::FolderCopies(const FolderInventory& inventory)
    : inventory_(inventory),
      reach_(inventory.files().size(), kNoCopy),
      totals_(inventory.folders().size()) {
    findReaches();
    sumUp();
}

void FolderCopies::findReaches() {
    const auto& files = inventory_.files();
    std::uint32_t classes = 0;
    for (const FolderInventory::File& file : files)
        if (file.content != FolderInventory::kUnconfirmed)
            classes = std::max(classes, file.content + 1);
    classStart_.assign(std::size_t(classes) + 1, 0);
    for (const FolderInventory::File& file : files)
        if (file.content != FolderInventory::kUnconfirmed) ++classStart_[file.content + 1];
    for (std::size_t c = 1; c < classStart_.size(); ++c) classStart_[c] += classStart_[c - 1];
    members_.assign(classStart_.back(), 0);
    std::vector<std::uint32_t> next(classStart_.begin(), classStart_.end() - 1);
    for (std::uint32_t i = 0; i < files.size(); ++i)
        if (files[i].content != FolderInventory::kUnconfirmed)
            members_[next[files[i].content]++] = i;

    // The deepest folder holding both; kEveryFolder above every top folder.
    const auto fold = [&](std::uint32_t a, std::uint32_t b) {
        if (a == kUnset) return b;
        if (b == kUnset) return a;
        if (a == kEveryFolder || b == kEveryFolder) return kEveryFolder;
        const std::uint32_t common = inventory_.commonFolder(a, b);
        return common == FolderInventory::kNoFolder ? kEveryFolder : common;
    };
    std::vector<std::uint32_t> groupEnd, groupFold, prefix, suffix;
    for (std::uint32_t c = 0; c < classes; ++c) {
        const auto begin = members_.begin() + classStart_[c],
                   end = members_.begin() + classStart_[c + 1];
        if (end - begin < 2) continue;
        std::sort(begin, end, [&](std::uint32_t a, std::uint32_t b) {
            return files[a].identity < files[b].identity;
        });
        // The names of each distinct file, and the folder holding them all.
        groupEnd.clear();
        groupFold.clear();
        for (auto i = begin; i != end; ++i) {
            if (i == begin || files[*i].identity != files[*(i - 1)].identity) {
                groupEnd.push_back(0);
                groupFold.push_back(kUnset);
            }
            groupEnd.back() = std::uint32_t(i - members_.begin()) + 1;
            groupFold.back() = fold(groupFold.back(), files[*i].folder);
        }
        const std::size_t groups = groupFold.size();
        if (groups < 2) continue;  // names of one file only: no copy
        prefix.assign(groups + 1, kUnset);
        suffix.assign(groups + 1, kUnset);
        for (std::size_t g = 0; g < groups; ++g) prefix[g + 1] = fold(prefix[g], groupFold[g]);
        for (std::size_t g = groups; g-- > 0;) suffix[g] = fold(suffix[g + 1], groupFold[g]);
        std::uint32_t from = classStart_[c];
        for (std::size_t g = 0; g < groups; ++g) {
            const std::uint32_t others = fold(prefix[g], suffix[g + 1]);
            for (; from < groupEnd[g]; ++from)
                reach_[members_[from]] = fold(files[members_[from]].folder, others);
        }
    }
}

// Each file adds to its folder and takes itself away again at its reach;
// the sums over each subtree then count it exactly for the folders between.
void FolderCopies::sumUp() {
    const auto& files = inventory_.files();
    const auto& folders = inventory_.folders();
    std::vector<std::int64_t> copiedFiles(folders.size(), 0), copiedBytes(folders.size(), 0);
    for (std::uint32_t i = 0; i < files.size(); ++i) {
        const FolderInventory::File& file = files[i];
        totals_[file.folder].files += 1;
        totals_[file.folder].bytes += file.length;
        if (reach_[i] == kNoCopy) continue;
        copiedFiles[file.folder] += 1;
        copiedBytes[file.folder] += std::int64_t(file.length);
        if (reach_[i] == kEveryFolder) continue;
        copiedFiles[reach_[i]] -= 1;
        copiedBytes[reach_[i]] -= std::int64_t(file.length);
    }
    for (std::size_t f = folders.size(); f-- > 0;) {
        totals_[f].copiedFiles = std::uint64_t(copiedFiles[f]);
        totals_[f].copiedBytes = std::uint64_t(copiedBytes[f]);
        const std::uint32_t parent = folders[f].parent;
        if (parent == FolderInventory::kNoFolder) continue;
        totals_[parent].files += totals_[f].files;
        totals_[parent].bytes += totals_[f].bytes;
        copiedFiles[parent] += copiedFiles[f];
        copiedBytes[parent] += copiedBytes[f];
    }
}

bool FolderCopies::copiedOutside(std::uint32_t file, std::uint32_t folder) const {
    const std::uint32_t reach = reach_[file];
    if (reach == kNoCopy) return false;
    if (reach == kEveryFolder) return true;
    return folder != reach && inventory_.contains(reach, folder);
}

std::vector<FolderCopies::Holder> FolderCopies::holders(std::uint32_t folder,
                                                        std::size_t most) const {
    const auto& files = inventory_.files();
    const auto& folders = inventory_.folders();
    // Bytes of the folder's files with a copy in each folder's subtree.
    std::unordered_map<std::uint32_t, std::uint64_t> covered;
    std::unordered_map<std::uint32_t, std::uint32_t> countedFor;  // folder -> last file counted
    std::unordered_set<std::uint32_t> copyFolders;
    for (std::uint32_t i = folders[folder].firstFile; i < inventory_.subtreeFileEnd(folder); ++i) {
        const FolderInventory::File& file = files[i];
        if (file.length == 0 || !copiedOutside(i, folder)) continue;
        std::size_t followed = 0;
        for (std::uint32_t m = classStart_[file.content];
             m < classStart_[file.content + 1] && followed < kCopiesFollowed; ++m) {
            const FolderInventory::File& copy = files[members_[m]];
            if (copy.identity == file.identity || inventory_.contains(folder, copy.folder))
                continue;
            ++followed;
            copyFolders.insert(copy.folder);
            for (std::uint32_t above = copy.folder;
                 above != FolderInventory::kNoFolder && !inventory_.contains(above, folder);
                 above = folders[above].parent) {
                auto [last, first] = countedFor.emplace(above, i);
                if (!first && last->second == i) continue;
                last->second = i;
                covered[above] += file.length;
            }
        }
    }
    // From each folder of a copy, up while the parent holds more of them.
    std::unordered_set<std::uint32_t> chosen;
    for (std::uint32_t at : copyFolders) {
        for (;;) {
            const std::uint32_t parent = folders[at].parent;
            if (parent == FolderInventory::kNoFolder || inventory_.contains(parent, folder) ||
                covered[parent] <= covered[at])
                break;
            at = parent;
        }
        chosen.insert(at);
    }
    std::vector<Holder> result;
    for (const std::uint32_t at : chosen) {
        const bool inside = std::any_of(chosen.begin(), chosen.end(), [&](std::uint32_t other) {
            return other != at && inventory_.contains(other, at);
        });
        if (!inside) result.push_back({at, covered[at]});
    }
    std::sort(result.begin(), result.end(), [&](const Holder& a, const Holder& b) {
        return a.bytes != b.bytes ? a.bytes > b.bytes
                                  : folders[a.folder].path < folders[b.folder].path;
    });
    if (result.size() > most) result.resize(most);
    return result;
}
