// SPDX-License-Identifier: MIT
#include "engine/SpaceItemRemover.h"

#include <utility>
#include <vector>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/ContentFile.h"
#include "util/platform/FileSystem.h"
#include "util/platform/WholeFolder.h"

namespace {

using Refusal = SpaceItemRemover::Refusal;
using StoredFolder = FolderRemover::StoredFolder;

std::string withoutSlash(const std::string& folder) {
    return folder.size() > 1 && folder.back() == '\\' ? folder.substr(0, folder.size() - 1)
                                                      : folder;
}

std::string comparable(std::string path) {
    if (platform::pathsIgnoreCase())
        for (char& c : path)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return path;
}

// Why `path` may not go: it is or lies in a protected folder, or (a folder)
// holds one; empty when it may.
std::string protectionReason(CFileInfoDB& database, const std::string& path, bool folder) {
    AnalysisScope protection;
    if (!protection.loadProtection(database)) return "the protected folders cannot be read";
    if (protection.isProtected(path)) return "it lies in a protected folder";
    if (folder)
        for (const AnalysisScope::Folder& listed : protection.folders())
            if (listed.isProtected &&
                comparable(listed.path).compare(0, path.size(), comparable(path)) == 0)
                return "it holds a protected folder";
    return {};
}

// The file as its row says: a regular file of the row's length and time.
// False, with `reason`, otherwise; `status` is what was found.
bool asStored(const std::string& path, std::uint64_t length, std::int64_t rowTime,
              platform::FileStatus& status, std::string& reason) {
    platform::FileError error;
    if (!platform::fileStatus(path, status, error)) {
        reason = (error.missing ? "it is gone: " : "its status cannot be read: ") + error.reason;
        return false;
    }
    if (!status.regular)
        reason = "it is no longer a regular file";
    else if (status.length != length)
        reason = "its length changed since the analysis";
    else if (status.modificationTime != rowTime)
        reason = "it was modified since the analysis";
    return reason.empty();
}

}  // namespace

SpaceItemRemover::SpaceItemRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move,
                                   BeforeMove hook)
    : database_(database),
      cache_(cache),
      move_(move ? std::move(move) : MoveFunction(platform::moveToTrash)),
      hook_(std::move(hook)) {}

SpaceItemRemover::Outcome SpaceItemRemover::moveFile(const FolderInventory& inventory,
                                                     std::uint32_t index) {
    const FolderInventory::File& file = inventory.files()[index];
    Outcome outcome;
    outcome.folder = inventory.path(file);
    const auto refuse = [&](Refusal refusal) {
        outcome.refusal = refusal;
        return outcome;
    };
    outcome.reason = protectionReason(database_, outcome.folder, false);
    if (!outcome.reason.empty()) return refuse(Refusal::Protected);
    platform::FileStatus checked, now;
    if (!asStored(outcome.folder, file.length, file.rowTime, checked, outcome.reason))
        return refuse(Refusal::NotAsStored);
    if (hook_) hook_(outcome.folder);
    platform::FileError error;
    if (!platform::fileStatus(outcome.folder, now, error) || !platform::sameVersion(now, checked)) {
        outcome.reason = "it changed while it was checked";
        return refuse(Refusal::NotAsStored);
    }
    if (!move_(outcome.folder, outcome.trashed, outcome.reason)) {
        if (outcome.reason.empty()) outcome.reason = "the trash refused it";
        return refuse(Refusal::TrashFailed);
    }
    // A rename moves the change time: the rest must be as checked.
    if (!platform::trashedStatus(outcome.trashed, now, error) || now.identity != checked.identity ||
        now.length != checked.length || now.modificationNanos != checked.modificationNanos) {
        const Refusal refusal = putBack(outcome, "what went to the trash is not the file checked");
        return refuse(refusal);
    }
    const std::string folderId = std::to_string(inventory.folders()[file.folder].rowId);
    const std::string name(inventory.name(file));
    const std::uint64_t failedBefore = database_.failedWrites();
    (void)database_.deleteFile(folderId, name);
    outcome.rowsDeleted = database_.failedWrites() == failedBefore;
    (void)cache_.forget(folderId, name);
    return outcome;
}

SpaceItemRemover::Outcome SpaceItemRemover::moveFolder(const FolderInventory& inventory,
                                                       std::uint32_t folder) {
    const StoredFolder stored = StoredFolder::of(inventory, folder);
    Outcome outcome;
    outcome.folder = stored.path;
    const auto refuse = [&](Refusal refusal) {
        outcome.refusal = refusal;
        return outcome;
    };
    outcome.reason = protectionReason(database_, stored.path, true);
    if (!outcome.reason.empty()) return refuse(Refusal::Protected);
    platform::FileStatus self;
    std::vector<platform::FileStatus> checked;
    if (!checkFolder(stored, self, checked, outcome)) return refuse(Refusal::NotAsStored);
    if (hook_) hook_(stored.path);
    if (!recheckFolder(stored, self, checked, outcome)) return refuse(Refusal::NotAsStored);
    if (!move_(withoutSlash(stored.path), outcome.trashed, outcome.reason)) {
        if (outcome.reason.empty()) outcome.reason = "the trash refused it";
        return refuse(Refusal::TrashFailed);
    }
    const std::string changed = changedByTheMove(stored, self, checked, outcome.trashed);
    if (!changed.empty()) return refuse(putBack(outcome, changed));
    const std::uint64_t failedBefore = database_.failedWrites();
    (void)database_.deleteFolderTree(stored.path);
    outcome.rowsDeleted = database_.failedWrites() == failedBefore;
    for (const StoredFolder::File& file : stored.files)
        (void)cache_.forget(file.folderId, file.name);
    return outcome;
}

// The folder holds what was stored, each file as its row says; `self` and
// `checked` receive the statuses found, which the last check holds them to.
bool SpaceItemRemover::checkFolder(const StoredFolder& stored, platform::FileStatus& self,
                                   std::vector<platform::FileStatus>& checked,
                                   Outcome& outcome) const {
    if (!FolderRemover::holdsAsStored(stored, outcome.reason, outcome.at)) return false;
    platform::FileError error;
    if (!platform::fileStatus(withoutSlash(stored.path), self, error)) {
        outcome.reason = error.reason;
        return false;
    }
    checked.resize(stored.files.size());
    for (std::size_t i = 0; i < stored.files.size(); ++i) {
        const StoredFolder::File& file = stored.files[i];
        if (!asStored(stored.path + file.relative, file.length, file.rowTime, checked[i],
                      outcome.reason)) {
            outcome.at = file.relative;
            return false;
        }
    }
    return true;
}

// Nothing but the move follows: the same folder, holding exactly what was
// stored, each file the version checked.
bool SpaceItemRemover::recheckFolder(const StoredFolder& stored, const platform::FileStatus& self,
                                     const std::vector<platform::FileStatus>& checked,
                                     Outcome& outcome) const {
    if (!FolderRemover::holdsAsStored(stored, outcome.reason, outcome.at)) return false;
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::fileStatus(withoutSlash(stored.path), now, error) ||
        now.identity != self.identity) {
        outcome.reason = "another folder has taken its name since it was checked";
        return false;
    }
    for (std::size_t i = 0; i < stored.files.size(); ++i)
        if (!platform::fileStatus(stored.path + stored.files[i].relative, now, error) ||
            !platform::sameVersion(now, checked[i])) {
            outcome.at = stored.files[i].relative;
            outcome.reason = "it changed while it was checked";
            return false;
        }
    return true;
}

// What makes the move unsafe, found after it; empty when nothing does.
std::string SpaceItemRemover::changedByTheMove(const StoredFolder& stored,
                                               const platform::FileStatus& self,
                                               const std::vector<platform::FileStatus>& checked,
                                               const platform::TrashedItem& trashed) {
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::trashedStatus(trashed, now, error) || now.identity != self.identity)
        return "what went to the trash is not the folder that was checked";
    for (std::size_t i = 0; i < stored.files.size(); ++i)
        if (!platform::trashedEntryStatus(trashed, stored.files[i].relative, now, error) ||
            !platform::sameVersion(now, checked[i]))
            return "the file " + stored.files[i].relative +
                   " in the trash is not the version that was checked";
    return {};
}

// Puts back what moved though it should not have; MovedBack, or NotMovedBack
// with where it lies.
SpaceItemRemover::Refusal SpaceItemRemover::putBack(Outcome& outcome, const std::string& why) {
    std::string failure;
    if (platform::restoreFromTrash(outcome.trashed, failure)) {
        outcome.reason = why + "; it was put back";
        outcome.trashed = platform::TrashedItem{outcome.folder, {}, {}};
        return Refusal::MovedBack;
    }
    outcome.reason = why + "; it could not be put back (" + failure + ") and is in the trash at " +
                     outcome.trashed.trashedPath;
    return Refusal::NotMovedBack;
}
