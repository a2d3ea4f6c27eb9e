// SPDX-License-Identifier: MIT
#include "engine/CopyRemover.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/ContentFile.h"

namespace {

constexpr std::size_t kCompareBlock = 1 << 20;
constexpr const char* kNotAsStored = "its length or time is no longer what the analysis stored";

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
// class's length and the row's time (the row holds whole seconds).
bool asChecked(const platform::FileStatus& status, std::uint64_t length, const CheckedFile& file) {
    return status.regular && status.length == length && status.modificationTime == file.rowTime;
}

// Compares the two open files from their start, block by block through the
// two buffers (of one size), calling `onBlock` with each block found equal
// and `afterFirst` once the first is. False, with `unreadable` set and
// `reason` given, when one cannot be read.
bool sameBytes(platform::ContentFile& a, platform::ContentFile& b, std::vector<char>& left,
               std::vector<char>& right, bool& unreadable, std::string& reason,
               const std::function<void()>& afterFirst,
               const std::function<void(std::uint64_t)>& onBlock) {
    for (bool first = true;; first = false) {
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
        if (onBlock) onBlock(std::uint64_t(gotA));
        if (first) afterFirst();
    }
}

// Whether the open `file` is still the version `compared`; false also when
// its status cannot be read.
bool unchangedSince(platform::ContentFile& file, const platform::FileStatus& compared) {
    platform::FileStatus now;
    return file.refreshStatus(now) && platform::sameVersion(now, compared);
}

}  // namespace

// The two files of one move, open from before the comparison until after the
// move, with their statuses as the comparison found them.
struct CopyRemover::Compared {
    platform::ContentFile kept, copy;
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
    if (forgetHashes_) (void)cache_.forget(moved.folderId, moved.name);
    return outcome;
}

CopyRemover::Refusal CopyRemover::compare(const GroupCheck& group, int keep, int file,
                                          Compared& pair, std::string& reason) {
    const CheckedFile& kept = group.files[std::size_t(keep)];
    const CheckedFile& copy = group.files[std::size_t(file)];
    const std::uint64_t length = classLength(group, kept.contentClass);
    if (!pair.kept.open(kept.path())) {
        reason = pair.kept.error().reason;
        return Refusal::KeptChanged;
    }
    if (!asChecked(pair.kept.status(), length, kept)) {
        reason = std::string("the file that stays: ") + kNotAsStored;
        return Refusal::KeptChanged;
    }
    // The name itself, not what it may lead to: a link put in a copy's place
    // is no copy.
    platform::FileStatus named;
    platform::FileError error;
    if (!platform::fileStatus(copy.path(), named, error) || !named.regular) {
        reason = error.reason.empty() ? "not a regular file" : error.reason;
        return Refusal::NotRegular;
    }
    if (!pair.copy.open(copy.path())) {
        reason = pair.copy.error().reason;
        return pair.copy.error().missing ? Refusal::NotRegular : Refusal::Unreadable;
    }
    if (!asChecked(pair.copy.status(), length, copy)) {
        reason = kNotAsStored;
        return Refusal::Changed;
    }
    if (pair.copy.status().identity == pair.kept.status().identity) {
        reason = "it is another name of the file that stays";
        return Refusal::SameFile;
    }
    step(Step::BeforeCompare, keep, file);
    left_.resize(kCompareBlock);  // kept from file to file: a clean-up compares thousands
    right_.resize(kCompareBlock);
    bool unreadable = false;
    if (!sameBytes(
            pair.kept, pair.copy, left_, right_, unreadable, reason,
            [&] { step(Step::DuringCompare, keep, file); }, onBlock_)) {
        if (!unreadable) reason = "its bytes differ from the file that stays";
        return unreadable ? Refusal::Unreadable : Refusal::ContentDiffers;
    }
    // A write during the comparison moves the change time, even where the
    // length and the modification time were put back.
    if (!unchangedSince(pair.kept, pair.kept.status())) {
        reason = "the file that stays changed while it was compared";
        return Refusal::KeptChanged;
    }
    if (!unchangedSince(pair.copy, pair.copy.status())) {
        reason = "it changed while it was compared";
        return Refusal::Changed;
    }
    return Refusal::None;
}

// Both names must still lead to the files compared, in the versions
// compared: a name given to another file, or a file written to, since the
// comparison refuses.
CopyRemover::Refusal CopyRemover::lastCheck(const GroupCheck& group, int keep, int file,
                                            const Compared& pair, std::string& reason) {
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::fileStatus(group.files[std::size_t(keep)].path(), now, error) ||
        !platform::sameVersion(now, pair.kept.status())) {
        reason = "the file that stays is gone or changed since it was compared";
        if (!error.reason.empty()) reason += ": " + error.reason;
        return Refusal::KeptChanged;
    }
    if (!platform::fileStatus(group.files[std::size_t(file)].path(), now, error)) {
        reason = error.reason;
        return Refusal::NotRegular;
    }
    if (!now.regular || now.identity != pair.copy.status().identity) {
        reason = "another file has taken its name since it was compared";
        return Refusal::NotRegular;
    }
    if (!platform::sameVersion(now, pair.copy.status())) {
        reason = "it changed since it was compared";
        return Refusal::Changed;
    }
    return Refusal::None;
}

// What makes the move unsafe, found after it: the file in the trash is not
// the compared copy, or the file that stays is no longer the compared
// version. Empty when neither. A rename moves the change time, so the
// trashed file is held to its file number, length and modification time.
std::string CopyRemover::changedByTheMove(const GroupCheck& group, int keep, const Compared& pair,
                                          const platform::TrashedItem& trashed) {
    const platform::FileStatus& copy = pair.copy.status();
    platform::FileStatus now;
    platform::FileError error;
    // The file number alone: under Wine the bin lies outside every drive and
    // reports another volume serial for the same file.
    if (!platform::trashedStatus(trashed, now, error) || !now.regular ||
        now.identity.fileNumber != copy.identity.fileNumber || now.length != copy.length ||
        now.modificationNanos != copy.modificationNanos)
        return "what went to the trash is not the file that was compared";
    if (!platform::fileStatus(group.files[std::size_t(keep)].path(), now, error) ||
        !platform::sameVersion(now, pair.kept.status()))
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
