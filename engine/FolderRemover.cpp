// SPDX-License-Identifier: MIT
#include "engine/FolderRemover.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "engine/FilePairCheck.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"
#include "util/platform/WholeFolder.h"

namespace {

using Refusal = FolderRemover::Refusal;

std::string comparable(std::string name) {
    if (platform::pathsIgnoreCase())
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return name;
}

bool sameLayout(const FolderRemover::StoredFolder& a, const FolderRemover::StoredFolder& b) {
    if (a.files.size() != b.files.size() || a.subfolders.size() != b.subfolders.size())
        return false;
    for (std::size_t i = 0; i < a.files.size(); ++i)
        if (comparable(a.files[i].relative) != comparable(b.files[i].relative)) return false;
    for (std::size_t i = 0; i < a.subfolders.size(); ++i)
        if (comparable(a.subfolders[i]) != comparable(b.subfolders[i])) return false;
    return true;
}

// What a stored folder holds, folder by folder (relative path -> names).
struct Layout {
    std::map<std::string, std::set<std::string>> files, folders;

    explicit Layout(const FolderRemover::StoredFolder& stored) {
        files[""];
        for (const std::string& sub : stored.subfolders) {
            files[sub];
            const auto cut = sub.find_last_of('\\', sub.size() - 2);
            const std::string parent = cut == std::string::npos ? "" : sub.substr(0, cut + 1);
            folders[parent].insert(
                comparable(sub.substr(parent.size(), sub.size() - parent.size() - 1)));
        }
        for (const auto& file : stored.files) {
            const auto cut = file.relative.rfind('\\');
            const std::string parent =
                cut == std::string::npos ? "" : file.relative.substr(0, cut + 1);
            files[parent].insert(comparable(file.relative.substr(parent.size())));
        }
    }
};

// The first difference between the folder on disk and what was stored:
// false, with `reason` and `at`, when there is one.
bool holdsExactly(const FolderRemover::StoredFolder& stored, std::string& reason, std::string& at) {
    const Layout layout(stored);
    std::vector<platform::WholeFolderEntry> entries;
    for (const auto& [relative, names] : layout.files) {
        platform::FileError error;
        if (!platform::listWholeFolder(stored.path + relative, entries, error)) {
            at = relative;
            reason = (error.missing ? "the folder is gone: " : "the folder cannot be read: ") +
                     error.reason;
            return false;
        }
        const auto folderFound = layout.folders.find(relative);
        std::size_t filesSeen = 0, foldersSeen = 0;
        for (const platform::WholeFolderEntry& entry : entries) {
            at = relative + entry.name;
            const std::string name = comparable(entry.name);
            if (entry.kind == platform::WholeFolderEntry::Kind::Other) {
                reason = "it is neither a regular file nor a folder (a link or a special file)";
                return false;
            }
            const bool folder = entry.kind == platform::WholeFolderEntry::Kind::Folder;
            const bool expected =
                folder ? folderFound != layout.folders.end() && folderFound->second.count(name) > 0
                       : names.count(name) > 0;
            if (!expected) {
                reason = folder ? "a folder was added since the analysis"
                                : "a file was added since the analysis";
                return false;
            }
            ++(folder ? foldersSeen : filesSeen);
        }
        const std::size_t foldersStored =
            folderFound == layout.folders.end() ? 0 : folderFound->second.size();
        if (filesSeen != names.size() || foldersSeen != foldersStored) {
            at = relative;
            reason = "a file or folder stored by the analysis is gone";
            return false;
        }
    }
    at.clear();
    return true;
}

std::string withoutSlash(const std::string& folder) {
    return folder.size() > 1 && folder.back() == '\\' ? folder.substr(0, folder.size() - 1)
                                                      : folder;
}

bool isWithin(const std::string& inner, const std::string& outer) {
    return comparable(inner).compare(0, outer.size(), comparable(outer)) == 0 &&
           inner.size() >= outer.size();
}

Refusal refusalOf(FilePairCheck::Result result) {
    switch (result) {
        case FilePairCheck::Result::Same:
        case FilePairCheck::Result::SameFile:
            return Refusal::None;
        case FilePairCheck::Result::KeptChanged:
            return Refusal::KeptChanged;
        case FilePairCheck::Result::ContentDiffers:
            return Refusal::ContentDiffers;
        case FilePairCheck::Result::Unreadable:
            return Refusal::Unreadable;
        case FilePairCheck::Result::NotRegular:
        case FilePairCheck::Result::Changed:
            break;
    }
    return Refusal::NotAsStored;
}

}  // namespace

// What the checks found: the folder's own identity and each file pair's
// compared versions.
struct FolderRemover::Checked {
    platform::FileStatus folder;
    std::vector<FilePairCheck> pairs;
};

FolderRemover::StoredFolder FolderRemover::StoredFolder::of(const FolderInventory& inventory,
                                                            std::uint32_t folder) {
    StoredFolder stored;
    const auto& folders = inventory.folders();
    stored.path = folders[folder].path;
    for (std::uint32_t f = folder + 1; f < folders[folder].end; ++f)
        stored.subfolders.push_back(inventory.relativePath(folder, f));
    for (std::uint32_t i = folders[folder].firstFile; i < inventory.subtreeFileEnd(folder); ++i) {
        const FolderInventory::File& file = inventory.files()[i];
        File entry;
        entry.relative = inventory.relativePath(folder, file.folder);
        entry.relative.append(inventory.name(file));
        entry.folderId = std::to_string(folders[file.folder].rowId);
        entry.name = std::string(inventory.name(file));
        entry.length = file.length;
        entry.rowTime = file.rowTime;
        stored.files.push_back(std::move(entry));
    }
    return stored;
}

bool FolderRemover::holdsAsStored(const StoredFolder& stored, std::string& reason,
                                  std::string& at) {
    return holdsExactly(stored, reason, at);
}

FolderRemover::FolderRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move,
                             StepHook hook)
    : database_(database),
      cache_(cache),
      move_(move ? std::move(move) : MoveFunction(platform::moveToTrash)),
      hook_(std::move(hook)) {}

std::vector<FolderRemover::Outcome> FolderRemover::moveToTrash(
    const StoredFolder& keep, const std::vector<StoredFolder>& going) {
    AnalysisScope protection;
    const bool protectionKnown = protection.loadProtection(database_);
    std::vector<Outcome> outcomes;
    for (const StoredFolder& folder : going) {
        Outcome outcome;
        outcome.folder = folder.path;
        const bool holdsProtected =
            std::any_of(protection.folders().begin(), protection.folders().end(),
                        [&](const AnalysisScope::Folder& listed) {
                            return listed.isProtected && isWithin(listed.path, folder.path);
                        });
        if (!protectionKnown || protection.isProtected(folder.path) || holdsProtected) {
            outcome.refusal = Refusal::Protected;
            outcome.reason = protectionKnown ? "it is or holds a protected folder"
                                             : "the protected folders cannot be read";
        } else if (isWithin(folder.path, keep.path) || isWithin(keep.path, folder.path)) {
            outcome.refusal = Refusal::Nested;
            outcome.reason = "it holds the folder that stays, or lies in it";
        } else if (!sameLayout(keep, folder)) {
            outcome.refusal = Refusal::NotIdentical;
            outcome.reason = "its stored files are not those of the folder that stays";
        } else {
            outcome = moveOne(keep, folder);
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

FolderRemover::Outcome FolderRemover::moveOne(const StoredFolder& keep, const StoredFolder& going) {
    Outcome outcome;
    outcome.folder = going.path;
    Checked checked;
    const auto refuse = [&](Refusal refusal) {
        outcome.refusal = refusal;
        return outcome;
    };
    if (!holdsExactly(going, outcome.reason, outcome.at)) return refuse(Refusal::NotAsStored);
    platform::FileError error;
    if (!platform::fileStatus(withoutSlash(going.path), checked.folder, error)) {
        outcome.reason = error.reason;
        return refuse(Refusal::NotAsStored);
    }
    Refusal refusal = compareFiles(keep, going, checked, outcome);
    if (refusal == Refusal::None) refusal = lastCheck(keep, going, checked, outcome);
    if (refusal != Refusal::None) return refuse(refusal);
    if (hook_) hook_(Step::BeforeMove, going.path, std::string());
    if (!move_(withoutSlash(going.path), outcome.trashed, outcome.reason)) {
        if (outcome.reason.empty()) outcome.reason = "the trash refused it";
        return refuse(Refusal::TrashFailed);
    }
    const std::string changed = changedByTheMove(keep, going, checked, outcome.trashed);
    if (!changed.empty()) {
        std::string failure;
        if (platform::restoreFromTrash(outcome.trashed, failure)) {
            outcome.reason = changed + "; it was put back";
            outcome.trashed = platform::TrashedItem{going.path, {}, {}};
            return refuse(Refusal::MovedBack);
        }
        outcome.reason = changed + "; it could not be put back (" + failure +
                         ") and is in the trash at " + outcome.trashed.trashedPath;
        return refuse(Refusal::NotMovedBack);
    }
    forgetRows(going, outcome);
    return outcome;
}

FolderRemover::Refusal FolderRemover::compareFiles(const StoredFolder& keep,
                                                   const StoredFolder& going, Checked& checked,
                                                   Outcome& outcome) const {
    checked.pairs.resize(going.files.size());
    for (std::size_t i = 0; i < going.files.size(); ++i) {
        const StoredFolder::File& kept = keep.files[i];
        const StoredFolder::File& copy = going.files[i];
        if (kept.length != copy.length) {
            outcome.at = copy.relative;
            outcome.reason = "its length is not that of its counterpart";
            return Refusal::ContentDiffers;
        }
        const auto before = [&] {
            if (hook_) hook_(Step::BeforeCompare, going.path, copy.relative);
        };
        FilePairCheck& pair = checked.pairs[i];
        const FilePairCheck::Result result = pair.compare(
            {keep.path + kept.relative, kept.length, kept.rowTime},
            {going.path + copy.relative, copy.length, copy.rowTime}, outcome.reason, before);
        pair.close();  // a folder of many files must not hold them all open
        const Refusal refusal = refusalOf(result);
        if (refusal != Refusal::None) {
            outcome.at = copy.relative;
            return refusal;
        }
    }
    outcome.reason.clear();
    return Refusal::None;
}

// Nothing but the move follows: the folder holds exactly what was stored,
// and both names of every pair lead to the versions compared.
FolderRemover::Refusal FolderRemover::lastCheck(const StoredFolder& keep, const StoredFolder& going,
                                                const Checked& checked, Outcome& outcome) {
    if (!holdsExactly(going, outcome.reason, outcome.at)) return Refusal::NotAsStored;
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::fileStatus(withoutSlash(going.path), now, error) ||
        now.identity != checked.folder.identity) {
        outcome.reason = "another folder has taken its name since it was checked";
        return Refusal::NotAsStored;
    }
    for (std::size_t i = 0; i < going.files.size(); ++i) {
        const Refusal refusal = refusalOf(
            checked.pairs[i].recheck(keep.path + keep.files[i].relative,
                                     going.path + going.files[i].relative, outcome.reason));
        if (refusal != Refusal::None) {
            outcome.at = going.files[i].relative;
            return refusal;
        }
    }
    return Refusal::None;
}

// What makes the move unsafe, found after it: the folder in the trash is not
// the folder checked, a file in it is not the version compared, or a file
// that stays changed. Empty when none. A rename moves the change time of the
// folder alone; its files keep theirs.
std::string FolderRemover::changedByTheMove(const StoredFolder& keep, const StoredFolder& going,
                                            const Checked& checked,
                                            const platform::TrashedItem& trashed) {
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::trashedStatus(trashed, now, error) || now.identity != checked.folder.identity)
        return "what went to the trash is not the folder that was checked";
    for (std::size_t i = 0; i < going.files.size(); ++i) {
        const platform::FileStatus& copy = checked.pairs[i].copyStatus();
        if (!platform::trashedEntryStatus(trashed, going.files[i].relative, now, error) ||
            !platform::sameVersion(now, copy))
            return "the file " + going.files[i].relative +
                   " in the trash is not the version that was compared";
        if (!platform::fileStatus(keep.path + keep.files[i].relative, now, error) ||
            !platform::sameVersion(now, checked.pairs[i].keptStatus()))
            return "the file that stays " + keep.files[i].relative +
                   " changed while the folder moved";
    }
    return {};
}

void FolderRemover::forgetRows(const StoredFolder& going, Outcome& outcome) {
    const std::uint64_t failedBefore = database_.failedWrites();
    (void)database_.deleteFolderTree(going.path);
    outcome.rowsDeleted = database_.failedWrites() == failedBefore;
    for (const StoredFolder::File& file : going.files)
        (void)cache_.forget(file.folderId, file.name);
}
