// SPDX-License-Identifier: MIT
#include "engine/IdenticalFolders.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

struct Signature {
    std::uint64_t high = 0, low = 0;
    bool operator==(const Signature& other) const { return high == other.high && low == other.low; }
};
struct SignatureHash {
    std::size_t operator()(const Signature& s) const { return std::size_t(s.low ^ s.high); }
};

void appendNumber(std::string& out, std::uint64_t value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

// A name as the signature takes it: its length first, so that no two
// sequences of names run together; ASCII letters folded where names ignore case.
void appendName(std::string& out, std::string_view name, bool foldCase) {
    appendNumber(out, name.size());
    const std::size_t at = out.size();
    out.append(name);
    if (!foldCase) return;
    for (std::size_t i = at; i < out.size(); ++i)
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = char(out[i] - 'a' + 'A');
}

}  // namespace

IdenticalFolders::IdenticalFolders(const FolderInventory& inventory, const FolderCopies& copies)
    : inventory_(inventory),
      copies_(copies),
      setOf_(inventory.folders().size(), FolderInventory::kNoFolder),
      names_(inventory.files().size(), 0) {
    for (const FolderInventory::File& file : inventory.files()) ++names_[file.identity];
    findSets();
    listRedundant();
}

void IdenticalFolders::findSets() {
    const auto& folders = inventory_.folders();
    const auto& files = inventory_.files();
    std::vector<Signature> signature(folders.size());
    std::vector<char> eligible(folders.size(), 1), holdsFiles(folders.size(), 0);
    std::unordered_map<Signature, std::vector<std::uint32_t>, SignatureHash> bySignature;
    std::string entries;
    // Children come after their parent: backwards, each folder's subfolders are done.
    for (std::uint32_t f = std::uint32_t(folders.size()); f-- > 0;) {
        const FolderInventory::Folder& folder = folders[f];
        entries.clear();
        for (std::uint32_t i = folder.firstFile; i < folder.fileEnd; ++i) {
            if (files[i].content == FolderInventory::kUnconfirmed) eligible[f] = 0;
            entries.push_back('F');
            appendName(entries, inventory_.name(files[i]), inventory_.foldsCase());
            appendNumber(entries, files[i].content);
        }
        holdsFiles[f] = folder.fileEnd > folder.firstFile;
        for (std::uint32_t child = f + 1; child < folder.end; child = folders[child].end) {
            eligible[f] = eligible[f] && eligible[child];
            holdsFiles[f] = holdsFiles[f] || holdsFiles[child];
            entries.push_back('D');
            appendName(entries, inventory_.relativePath(f, child), inventory_.foldsCase());
            appendNumber(entries, signature[child].high);
            appendNumber(entries, signature[child].low);
        }
        const XXH128_hash_t hash = XXH3_128bits(entries.data(), entries.size());
        signature[f] = {hash.high64, hash.low64};
        if (eligible[f] && holdsFiles[f]) bySignature[signature[f]].push_back(f);
    }
    std::vector<Set> found;
    for (auto& [key, members] : bySignature) {
        if (members.size() < 2) continue;
        Set set;
        set.folders = std::move(members);
        std::sort(set.folders.begin(), set.folders.end());  // preorder is path order
        for (const std::uint32_t f : set.folders) setOf_[f] = std::uint32_t(found.size());
        found.push_back(std::move(set));
    }
    for (Set& set : found) {
        const bool outermost =
            std::any_of(set.folders.begin(), set.folders.end(), [&](std::uint32_t f) {
                const std::uint32_t parent = folders[f].parent;
                return parent == FolderInventory::kNoFolder ||
                       setOf_[parent] == FolderInventory::kNoFolder;
            });
        if (!outermost) continue;
        const FolderCopies::Totals& one = copies_.totals(set.folders.front());
        set.files = one.files;
        set.bytes = one.bytes;
        set.freed = freedKeeping(set, set.folders.front());
        sets_.push_back(std::move(set));
    }
    std::sort(sets_.begin(), sets_.end(), [&](const Set& a, const Set& b) {
        if (a.freed != b.freed) return a.freed > b.freed;
        if (a.bytes != b.bytes) return a.bytes > b.bytes;
        return a.folders.front() < b.folders.front();
    });
}

std::uint64_t IdenticalFolders::freedKeeping(const Set& set, std::uint32_t keep) const {
    const auto& files = inventory_.files();
    // Names of each file that has more than one, counted in the folders that go.
    std::unordered_map<std::uint32_t, std::uint32_t> goingNames;
    std::uint64_t freed = 0;
    for (const std::uint32_t folder : set.folders) {
        if (folder == keep) continue;
        for (std::uint32_t i = inventory_.folders()[folder].firstFile;
             i < inventory_.subtreeFileEnd(folder); ++i) {
            const std::uint32_t identity = files[i].identity;
            if (names_[identity] == 1) {
                freed += files[i].length;
            } else if (++goingNames[identity] == names_[identity]) {
                freed += files[i].length;  // its last name goes
            }
        }
    }
    return freed;
}

void IdenticalFolders::listRedundant() {
    const auto& folders = inventory_.folders();
    // Whether a folder lies in a folder of a set (or is one).
    std::vector<char> inSet(folders.size(), 0);
    for (std::uint32_t f = 0; f < folders.size(); ++f) {
        const std::uint32_t parent = folders[f].parent;
        inSet[f] = setOf_[f] != FolderInventory::kNoFolder ||
                   (parent != FolderInventory::kNoFolder && inSet[parent]);
        if (inSet[f] || !copies_.allCopied(f) || copies_.totals(f).bytes == 0) continue;
        if (parent != FolderInventory::kNoFolder && copies_.allCopied(parent)) continue;
        Redundant folder;
        folder.folder = f;
        folder.files = copies_.totals(f).files;
        folder.bytes = copies_.totals(f).bytes;
        folder.holders = copies_.holders(f, kMostHolders);
        redundant_.push_back(std::move(folder));
    }
    std::stable_sort(redundant_.begin(), redundant_.end(),
                     [](const Redundant& a, const Redundant& b) { return a.bytes > b.bytes; });
}
