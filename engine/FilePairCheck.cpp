// SPDX-License-Identifier: MIT
#include "engine/FilePairCheck.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kCompareBlock = 1 << 20;
constexpr const char* kNotAsStored = "its length or time is no longer what the analysis stored";

// Whether `status` is what the row said: a regular file of the stored length
// and the row's time (the row holds whole seconds).
bool asStored(const platform::FileStatus& status, const FilePairCheck::Stored& stored) {
    return status.regular && status.length == stored.length &&
           status.modificationTime == stored.rowTime;
}

// Compares the two open files from their start, block by block, calling
// `afterFirst` once the first block is found equal. False, with `unreadable`
// set and `reason` given, when one cannot be read.
bool sameBytes(platform::ContentFile& a, platform::ContentFile& b, bool& unreadable,
               std::string& reason, const FilePairCheck::Step& afterFirst) {
    std::vector<char> left(kCompareBlock), right(kCompareBlock);
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
        if (first && afterFirst) afterFirst();
    }
}

// Whether the open `file` is still the version `compared`; false also when
// its status cannot be read.
bool unchangedSince(platform::ContentFile& file, const platform::FileStatus& compared) {
    platform::FileStatus now;
    return file.refreshStatus(now) && platform::sameVersion(now, compared);
}

}  // namespace

FilePairCheck::Result FilePairCheck::openBoth(const Stored& kept, const Stored& copy,
                                              std::string& reason) {
    kept_ = std::make_unique<platform::ContentFile>();
    copy_ = std::make_unique<platform::ContentFile>();
    if (!kept_->open(kept.path)) {
        reason = kept_->error().reason;
        return Result::KeptChanged;
    }
    keptStatus_ = kept_->status();
    if (!asStored(keptStatus_, kept)) {
        reason = std::string("the file that stays: ") + kNotAsStored;
        return Result::KeptChanged;
    }
    // The name itself, not what it may lead to: a link put in a copy's place
    // is no copy.
    platform::FileStatus named;
    platform::FileError error;
    if (!platform::fileStatus(copy.path, named, error) || !named.regular) {
        reason = error.reason.empty() ? "not a regular file" : error.reason;
        return Result::NotRegular;
    }
    if (!copy_->open(copy.path)) {
        reason = copy_->error().reason;
        return copy_->error().missing ? Result::NotRegular : Result::Unreadable;
    }
    copyStatus_ = copy_->status();
    if (!asStored(copyStatus_, copy)) {
        reason = kNotAsStored;
        return Result::Changed;
    }
    if (copyStatus_.identity == keptStatus_.identity) {
        reason = "it is another name of the file that stays";
        return Result::SameFile;
    }
    return Result::Same;
}

FilePairCheck::Result FilePairCheck::compare(const Stored& kept, const Stored& copy,
                                             std::string& reason, const Step& beforeCompare,
                                             const Step& duringCompare) {
    const Result opened = openBoth(kept, copy, reason);
    if (opened != Result::Same) return opened;
    if (beforeCompare) beforeCompare();
    bool unreadable = false;
    if (!sameBytes(*kept_, *copy_, unreadable, reason, duringCompare)) {
        if (!unreadable) reason = "its bytes differ from the file that stays";
        return unreadable ? Result::Unreadable : Result::ContentDiffers;
    }
    // A write during the comparison moves the change time, even where the
    // length and the modification time were put back.
    if (!unchangedSince(*kept_, keptStatus_)) {
        reason = "the file that stays changed while it was compared";
        return Result::KeptChanged;
    }
    if (!unchangedSince(*copy_, copyStatus_)) {
        reason = "it changed while it was compared";
        return Result::Changed;
    }
    return Result::Same;
}

FilePairCheck::Result FilePairCheck::recheck(const std::string& keptPath,
                                             const std::string& copyPath,
                                             std::string& reason) const {
    platform::FileStatus now;
    platform::FileError error;
    if (!platform::fileStatus(keptPath, now, error) || !platform::sameVersion(now, keptStatus_)) {
        reason = "the file that stays is gone or changed since it was compared";
        if (!error.reason.empty()) reason += ": " + error.reason;
        return Result::KeptChanged;
    }
    if (!platform::fileStatus(copyPath, now, error)) {
        reason = error.reason;
        return Result::NotRegular;
    }
    if (!now.regular || now.identity != copyStatus_.identity) {
        reason = "another file has taken its name since it was compared";
        return Result::NotRegular;
    }
    if (!platform::sameVersion(now, copyStatus_)) {
        reason = "it changed since it was compared";
        return Result::Changed;
    }
    return Result::Same;
}

void FilePairCheck::close() {
    kept_.reset();
    copy_.reset();
}
