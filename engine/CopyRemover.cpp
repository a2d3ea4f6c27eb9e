// SPDX-License-Identifier: MIT
#include "engine/CopyRemover.h"

#include <algorithm>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "engine/FilePairCheck.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/ContentFile.h"

namespace {

bool sameName(const GroupCheck& group, int a, int b) {
    if (a == b) return true;
    const int set = group.files[std::size_t(a)].linkSet;
    return set >= 0 && set == group.files[std::size_t(b)].linkSet;
}

std::uint64_t classLength(const GroupCheck& group, int contentClass) {
    const auto index = std::size_t(contentClass);
    return index < group.classLengths.size() ? group.classLengths[index] : group.length;
}

CopyRemover::Refusal refusalOf(FilePairCheck::Result result) {
    switch (result) {
        case FilePairCheck::Result::Same:
            return CopyRemover::Refusal::None;
        case FilePairCheck::Result::KeptChanged:
            return CopyRemover::Refusal::KeptChanged;
        case FilePairCheck::Result::NotRegular:
            return CopyRemover::Refusal::NotRegular;
        case FilePairCheck::Result::Changed:
            return CopyRemover::Refusal::Changed;
        case FilePairCheck::Result::SameFile:
            return CopyRemover::Refusal::SameFile;
        case FilePairCheck::Result::ContentDiffers:
            return CopyRemover::Refusal::ContentDiffers;
        case FilePairCheck::Result::Unreadable:
            break;
    }
    return CopyRemover::Refusal::Unreadable;
}

}  // namespace

// The two files of one move, open from before the comparison until after the
// move, with their statuses as the comparison found them.
struct CopyRemover::Compared {
    FilePairCheck check;
};

CopyRemover::CopyRemover(CFileInfoDB& database, ContentChecker& cache, MoveFunction move,
                         StepHook hook)
    : database_(database),
      cache_(cache),
      move_(move ? std::move(move) : MoveFunction(platform::moveToTrash)),
      hook_(std::move(hook)) {}

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
        if (std::find(offered.begin(), offered.end(), file) == offered.end()) {
            outcome.refusal = Refusal::NotOffered;
            outcome.reason = "it is not another copy of the file that stays";
        } else if (!protectionKnown ||
                   protection.isProtected(group.files[std::size_t(file)].path())) {
            outcome.refusal = Refusal::Protected;
            outcome.reason = protectionKnown ? "it lies in a protected folder"
                                             : "the protected folders cannot be read";
        } else {
            outcome = moveOne(group, keep, file);
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

CopyRemover::Outcome CopyRemover::moveOne(const GroupCheck& group, int keep, int file) {
    Outcome outcome;
    outcome.file = file;
    Compared pair;
    outcome.refusal = compare(group, keep, file, pair, outcome.reason);
    if (outcome.refusal == Refusal::None)
        outcome.refusal = lastCheck(group, keep, file, pair, outcome.reason);
    if (outcome.refusal != Refusal::None) return outcome;
    step(Step::BeforeMove, keep, file);
    const CheckedFile& moved = group.files[std::size_t(file)];
    if (!move_(moved.path(), outcome.trashed, outcome.reason)) {
        platform::FileStatus now;
        platform::FileError error;
        const bool gone = !platform::fileStatus(moved.path(), now, error) && error.missing;
        outcome.refusal = gone ? Refusal::NotRegular : Refusal::TrashFailed;
        if (outcome.reason.empty()) outcome.reason = "the trash refused it";
        return outcome;
    }
    const std::string changed = changedByTheMove(group, keep, pair, outcome.trashed);
    if (!changed.empty()) {
        undo(outcome, changed);
        return outcome;
    }
    outcome.rowDeleted = database_.deleteFile(moved.folderId, moved.name);
    (void)cache_.forget(moved.folderId, moved.name);
    return outcome;
}

CopyRemover::Refusal CopyRemover::compare(const GroupCheck& group, int keep, int file,
                                          Compared& pair, std::string& reason) {
    const CheckedFile& kept = group.files[std::size_t(keep)];
    const CheckedFile& copy = group.files[std::size_t(file)];
    const std::uint64_t length = classLength(group, kept.contentClass);
    return refusalOf(pair.check.compare(
        {kept.path(), length, kept.rowTime}, {copy.path(), length, copy.rowTime}, reason,
        [&] { step(Step::BeforeCompare, keep, file); },
        [&] { step(Step::DuringCompare, keep, file); }));
}

// Both names must still lead to the files compared, in the versions
// compared: a name given to another file, or a file written to, since the
// comparison refuses.
CopyRemover::Refusal CopyRemover::lastCheck(const GroupCheck& group, int keep, int file,
                                            const Compared& pair, std::string& reason) {
    return refusalOf(pair.check.recheck(group.files[std::size_t(keep)].path(),
                                        group.files[std::size_t(file)].path(), reason));
}

// What makes the move unsafe, found after it: the file in the trash is not
// the compared copy, or the file that stays is no longer the compared
// version. Empty when neither. A rename moves the change time, so the
// trashed file is held to its file number, length and modification time.
std::string CopyRemover::changedByTheMove(const GroupCheck& group, int keep, const Compared& pair,
                                          const platform::TrashedItem& trashed) {
    const platform::FileStatus& copy = pair.check.copyStatus();
    platform::FileStatus now;
    platform::FileError error;
    // The file number alone: under Wine the bin lies outside every drive and
    // reports another volume serial for the same file.
    if (!platform::trashedStatus(trashed, now, error) || !now.regular ||
        now.identity.fileNumber != copy.identity.fileNumber || now.length != copy.length ||
        now.modificationNanos != copy.modificationNanos)
        return "what went to the trash is not the file that was compared";
    if (!platform::fileStatus(group.files[std::size_t(keep)].path(), now, error) ||
        !platform::sameVersion(now, pair.check.keptStatus()))
        return "the file that stays changed while the copy moved";
    return {};
}

// Puts what the move took back where it was, never replacing anything there.
void CopyRemover::undo(Outcome& outcome, const std::string& what) {
    std::string failure;
    if (platform::restoreFromTrash(outcome.trashed, failure)) {
        outcome.refusal = Refusal::MovedBack;
        outcome.reason = what + "; it was put back";
        outcome.trashed.trashedPath.clear();
        outcome.trashed.infoPath.clear();
        return;
    }
    outcome.refusal = Refusal::NotMovedBack;
    outcome.reason = what + "; it could not be put back (" + failure + ") and is in the trash at " +
                     outcome.trashed.trashedPath;
}
