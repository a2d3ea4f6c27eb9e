// SPDX-License-Identifier: MIT
#include "engine/cli/VerifyRun.h"

#include <atomic>
#include <chrono>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "util/FileUtility.h"

namespace {

// Rewrites one line of progress at most every quarter of a second.
class ProgressLine {
public:
    ProgressLine(std::FILE* out, std::uint64_t files, std::uint64_t bytes)
        : out_(out), totalFiles_(files), totalBytes_(bytes) {}

    // The total, once a group's own lengths are known.
    void correctTotal(std::uint64_t bytes) { totalBytes_ = bytes; }
    void show(std::uint64_t files, std::uint64_t bytes, bool now = false) {
        if (out_ == nullptr) return;
        const auto time = std::chrono::steady_clock::now();
        if (!now && time - last_ < std::chrono::milliseconds(250)) return;
        last_ = time;
        char done[32], total[32];
        std::fprintf(
            out_, "\rChecking content: %llu of %llu files, %s of %s\033[K",
            static_cast<unsigned long long>(files), static_cast<unsigned long long>(totalFiles_),
            FileUtility::formatSize(done, bytes), FileUtility::formatSize(total, totalBytes_));
        std::fflush(out_);
    }
    void clear() {
        if (out_ == nullptr) return;
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
    }

private:
    std::FILE* out_;
    std::uint64_t totalFiles_;
    std::uint64_t totalBytes_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace

bool VerifyRun::run(const std::string& databasePath, const std::vector<std::string>& masks,
                    const std::unordered_set<std::string>& keep, std::FILE* progress,
                    std::string& error) {
    ContentChecker checker(databasePath);
    std::vector<GroupCheck> groups;
    if (!checker.open() || !checker.loadGroups(masks, groups)) {
        error = checker.errorText();
        return false;
    }
    if (!AnalysisScope::keepAnalysedFiles(databasePath, groups)) {
        error = "the analysed folders cannot be read";
        return false;
    }
    // Until a group is checked its files count with the length the MASK
    // gives (the low 32 bits); the check measures their own 64-bit lengths
    // before it reads, and the total takes them from then on, so the bytes
    // done never pass it.
    std::uint64_t totalFiles = 0, totalBytes = 0;
    for (const GroupCheck& group : groups) {
        if (group.files.size() < 2) continue;
        totalFiles += group.files.size();
        totalBytes += group.files.size() * group.length;
    }
    ProgressLine line(progress, totalFiles, totalBytes);
    std::uint64_t filesDone = 0, bytesDone = 0, bytesInGroup = 0, groupBytes = 0;
    checker.setBlockListener([&](std::uint64_t bytes) {
        bytesInGroup += bytes;
        line.show(filesDone, bytesDone + bytesInGroup);
    });
    checker.setMeasureListener([&](std::uint64_t bytes) {
        totalBytes = totalBytes - groupBytes + bytes;
        groupBytes = bytes;
        line.correctTotal(totalBytes);
    });
    const std::atomic<bool> stop{false};  // the console run is ended by its signal alone
    line.show(0, 0, true);
    for (GroupCheck& group : groups) {
        if (group.files.size() < 2) continue;
        bytesInGroup = 0;
        groupBytes = group.files.size() * group.length;  // as counted in the total
        checker.check(group, stop);
        filesDone += group.files.size();
        bytesDone += groupBytes;
        line.show(filesDone, bytesDone);
        count(group);
        if (keep.count(group.mask) > 0) kept.emplace(group.mask, std::move(group));
        group = GroupCheck();  // its rows are no longer needed
    }
    line.show(filesDone, bytesDone, true);  // the end, however soon it came
    line.clear();
    return true;
}

void VerifyRun::count(const GroupCheck& group) {
    switch (group.state) {
        case GroupState::Confirmed:
            ++confirmed;
            break;
        case GroupState::Partly:
            ++partly;
            break;
        case GroupState::Refuted:
            ++refuted;
            break;
        case GroupState::Unknown:
        case GroupState::Unchecked:
            ++unknown;
            break;
    }
    verifiedBytes += group.reclaimableBytes();
}
