// SPDX-License-Identifier: MIT
#include "engine/CopyRemover.h"

#include <algorithm>
#include <cstring>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/ContentFile.h"
#include "util/platform/Trash.h"

namespace {

constexpr std::size_t kCompareBlock = 1 << 20;

bool sameName(const GroupCheck& group, int a, int b) {
    if (a == b) return true;
    const int set = group.files[std::size_t(a)].linkSet;
    return set >= 0 && set == group.files[std::size_t(b)].linkSet;
}

std::uint64_t classLength(const GroupCheck& group, int contentClass) {
    const auto index = std::size_t(contentClass);
    return index < group.classLengths.size() ? group.classLengths[index] : group.length;
}

// Whether `file` is what the row and the check said: a regular file of the
// class's length and the row's time.
bool asChecked(const platform::FileStatus& status, std::uint64_t length, const CheckedFile& file) {
    return status.regular && status.length == length && status.modificationTime == file.rowTime;
}

// Compares the two open files from their start, block by block. False, with
// `unreadable` set and `reason` given, when one cannot be read.
bool sameBytes(platform::ContentFile& a, platform::ContentFile& b, bool& unreadable,
               std::string& reason) {
    std::vector<char> left(kCompareBlock), right(kCompareBlock);
    for (;;) {
        const std::int64_t gotA = a.read(left.data(), left.size());
        const std::int64_t gotB = b.read(right.data(), right.size());
        if (gotA < 0 || gotB < 0) {
            unreadable = true;
            reason = gotA < 0 ? a.error().reason : b.error().reason;
            return false;
        }
        if (gotA != gotB || std::memcmp(left.data(), right.data(), std::size_t(gotA)) != 0)
            return false;
        if (gotA == 0) return true;
    }
}

}  // namespace

CopyRemover::CopyRemover(CFileInfoDB& database, ContentChecker& cache)
    : database_(database), cache_(cache) {}

std::vector<int> CopyRemover::copiesOf(const GroupCheck& group, int keep) {
    std::vector<int> copies;
    if (keep < 0 || std::size_t(keep) >= group.files.size()) return copies;
    const CheckedFile& kept = group.files[std::size_t(keep)];
    if (kept.status != CheckedFile::Status::Checked || kept.contentClass < 0) return copies;
    for (const int member : group.classes[std::size_t(kept.contentClass)])
        if (!sameName(group, member, keep)) copies.push_back(member);
    return copies;
}

int CopyRemover::keeperFor(const GroupCheck& group, int file) {
    const std::vector<int> others = copiesOf(group, file);
    return others.empty() ? -1 : others.front();
}

std::vector<CopyRemover::Outcome> CopyRemover::moveToTrash(const GroupCheck& group, int keep,
                                                           const std::vector<int>& files) {
    const std::vector<int> offered = copiesOf(group, keep);
    AnalysisScope protection;
    const bool protectionKnown = protection.loadProtection(database_);
    std::vector<Outcome> outcomes;
    for (const int file : files) {
        Outcome outcome;
        outcome.file = file;
        if (std::find(offered.begin(), offered.end(), file) == offered.end())
            outcome.refusal = Refusal::NotOffered;
        else if (!protectionKnown || protection.isProtected(group.files[std::size_t(file)].path()))
            outcome.refusal = Refusal::Protected;
        else
            outcome.refusal = checkBeforeMoving(group, keep, file, outcome.reason);
        if (outcome.refusal == Refusal::None) {
            const CheckedFile& moved = group.files[std::size_t(file)];
            platform::TrashedItem item;
            if (!platform::moveToTrash(moved.path(), item, outcome.reason)) {
                outcome.refusal = Refusal::TrashFailed;
            } else {
                outcome.rowDeleted = database_.deleteFile(moved.folderId, moved.name);
                (void)cache_.forget(moved.folderId, moved.name);
            }
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

CopyRemover::Refusal CopyRemover::checkBeforeMoving(const GroupCheck& group, int keep, int file,
                                                    std::string& reason) {
    const CheckedFile& kept = group.files[std::size_t(keep)];
    const CheckedFile& copy = group.files[std::size_t(file)];
    const std::uint64_t length = classLength(group, kept.contentClass);
    platform::ContentFile keptFile, copyFile;
    if (!keptFile.open(kept.path())) {
        reason = keptFile.error().reason;
        return Refusal::KeptChanged;
    }
    if (!asChecked(keptFile.status(), length, kept)) return Refusal::KeptChanged;
    // The name itself, not what it may lead to: a link put in a copy's place
    // is no copy.
    platform::FileStatus named;
    platform::FileError error;
    if (!platform::fileStatus(copy.path(), named, error) || !named.regular) {
        reason = error.reason;
        return Refusal::NotRegular;
    }
    if (!copyFile.open(copy.path())) {
        reason = copyFile.error().reason;
        return copyFile.error().missing ? Refusal::NotRegular : Refusal::Unreadable;
    }
    if (!asChecked(copyFile.status(), length, copy)) return Refusal::Changed;
    if (copyFile.status().identity == keptFile.status().identity) return Refusal::SameFile;
    bool unreadable = false;
    if (!sameBytes(keptFile, copyFile, unreadable, reason))
        return unreadable ? Refusal::Unreadable : Refusal::ContentDiffers;
    // The name must still lead to the file just compared, unchanged: a file
    // put in its place, or written to, during the comparison is refused.
    platform::FileStatus now;
    if (!platform::fileStatus(copy.path(), now, error)) {
        reason = error.reason;
        return Refusal::NotRegular;
    }
    if (now.identity != copyFile.status().identity) return Refusal::NotRegular;
    if (!asChecked(now, length, copy)) return Refusal::Changed;
    return Refusal::None;
}
