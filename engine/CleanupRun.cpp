// SPDX-License-Identifier: MIT
#include "engine/CleanupRun.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <unordered_set>
#include <utility>

#include "engine/CleanupJournal.h"
#include "storage/CFileInfoDB.h"

namespace {

// The database learns of the moves in batches, one transaction each (the
// rows of the files moved deleted, the moves recorded): one commit per file
// would cost more than the move itself. A batch ends after this long, or
// this many files, whichever comes first.
constexpr auto kBatchTime = std::chrono::milliseconds(250);
constexpr std::size_t kBatchFiles = 1000;

std::uint64_t lengthOfClass(const GroupCheck& group, int contentClass) {
    const auto index = std::size_t(contentClass);
    return index < group.classLengths.size() ? group.classLengths[index] : group.length;
}

CleanupRun::Item itemFor(std::size_t step, int file, const CheckedFile& checked,
                         std::uint64_t length, CleanupRun::Held held) {
    CleanupRun::Item item;
    item.step = step;
    item.file = file;
    item.path = checked.path();
    item.length = length;
    item.held = held;
    return item;
}

}  // namespace

struct CleanupRun::State {
    State(CFileInfoDB& database, ContentChecker& cache, CopyRemover::MoveFunction move,
          CopyRemover::StepHook hook, const std::atomic<bool>& stop, Progress* shown,
          CleanupJournal* record)
        : remover(database, cache, std::move(move), std::move(hook)),
          files(database),
          cancel(stop),
          progress(shown),
          journal(record) {}

    // A file is known by its key and by its path: either may be what a
    // later step names it by.
    static bool holds(const std::unordered_set<std::string>& set, const CheckedFile& file) {
        return set.count(CleanupPlanner::fileKey(file)) > 0 || set.count(file.path()) > 0;
    }
    static void add(std::unordered_set<std::string>& set, const CheckedFile& file) {
        set.insert(CleanupPlanner::fileKey(file));
        set.insert(file.path());
    }
    void showProgress(std::uint64_t compared) const {
        if (progress == nullptr) return;
        progress->files.store(filesDone, std::memory_order_relaxed);
        progress->bytes.store(bytesDone + compared, std::memory_order_relaxed);
        if (progress->onChange) progress->onChange(filesDone, bytesDone + compared);
    }

    CopyRemover remover;
    CFileInfoDB& files;
    const std::atomic<bool>& cancel;
    Progress* progress;
    CleanupJournal* journal;
    Summary summary;
    std::unordered_set<std::string> kept;   // files some step left in place
    std::unordered_set<std::string> moved;  // files that went to the trash
    std::uint64_t filesDone = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t inFile = 0;  // bytes compared of the file in hand
    // The batch of moves in hand: when it began, and where its items start.
    bool inBatch = false;
    std::chrono::steady_clock::time_point batchStart;
    std::size_t batchFiles = 0, movedAtStart = 0, refusedAtStart = 0;
};

CleanupRun::CleanupRun(CFileInfoDB& database, ContentChecker& cache, CopyRemover::MoveFunction move,
                       CopyRemover::StepHook hook)
    : database_(database), cache_(cache), move_(std::move(move)), hook_(std::move(hook)) {}

CleanupRun::Totals CleanupRun::totals(const std::vector<GroupCheck>& groups,
                                      const std::vector<CleanupStep>& steps) {
    Totals totals;
    for (const CleanupStep& step : steps) {
        if (!step.refusal.empty()) continue;
        totals.files += step.moving.size();
        totals.bytes += step.moving.size() * lengthOfClass(groups[step.group], step.contentClass);
    }
    return totals;
}

CleanupRun::Summary CleanupRun::run(const std::vector<GroupCheck>& groups,
                                    const std::vector<CleanupStep>& steps,
                                    const std::atomic<bool>& cancel, Progress* progress,
                                    CleanupJournal* journal) {
    State state(database_, cache_, move_, hook_, cancel, progress, journal);
    state.remover.setBlockListener([&state](std::uint64_t bytes) {
        state.inFile += bytes;
        state.showProgress(state.inFile);
    });
    beginBatch(state);
    // Inside a batch the cache's own connection could not write: the hashes
    // of the files moved are left to its next pruning.
    state.remover.setForgetHashes(!state.inBatch);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const CleanupStep& step = steps[i];
        if (state.summary.cancelled && step.refusal.empty()) {
            state.summary.notTried += step.moving.size();
            continue;
        }
        runStep(groups[step.group], i, step, state);
    }
    endBatch(state);
    return std::move(state.summary);
}

void CleanupRun::beginBatch(State& state) {
    // Within a transaction of the caller's, its commit is the batch.
    state.inBatch = !database_.inTransaction() && database_.execute("BEGIN");
    state.batchStart = std::chrono::steady_clock::now();
    state.batchFiles = 0;
    state.movedAtStart = state.summary.moved.size();
    state.refusedAtStart = state.summary.refused.size();
}

void CleanupRun::endBatch(State& state) {
    if (!state.inBatch || database_.execute("COMMIT")) {
        state.inBatch = false;
        return;
    }
    // Nothing of the batch was written: the files are in the trash, but
    // their rows stay until the next analysis, and the moves cannot be undone
    // from here (the desktop's trash still can).
    const std::string reason = database_.errorText();
    (void)database_.execute("ROLLBACK");
    state.inBatch = false;
    if (state.summary.journalError.empty()) state.summary.journalError = reason;
    for (auto* items : {&state.summary.moved, &state.summary.refused}) {
        const std::size_t from =
            items == &state.summary.moved ? state.movedAtStart : state.refusedAtStart;
        for (std::size_t i = from; i < items->size(); ++i) {
            (*items)[i].recorded = false;
            (*items)[i].outcome.rowDeleted = false;
        }
    }
}

void CleanupRun::runStep(const GroupCheck& group, std::size_t index, const CleanupStep& step,
                         State& state) {
    const std::vector<int>& members = group.classes[std::size_t(step.contentClass)];
    const CheckedFile& kept = group.files[std::size_t(step.keep)];
    Held held = Held::No;
    if (!step.refusal.empty())
        held = Held::ByPlan;
    else if (State::holds(state.moved, kept))
        held = Held::KeepMovedEarlier;
    // What this step leaves in place stays for every later step: all of the
    // class when the step moves nothing.
    for (const int member : members) {
        const bool goes = held == Held::No && std::find(step.moving.begin(), step.moving.end(),
                                                        member) != step.moving.end();
        if (!goes) State::add(state.kept, group.files[std::size_t(member)]);
    }
    const std::uint64_t length = lengthOfClass(group, step.contentClass);
    std::map<int, std::pair<int, int>> linkSets;  // link set -> (names moving, names moved)
    for (const int file : step.moving)
        if (group.files[std::size_t(file)].linkSet >= 0)
            ++linkSets[group.files[std::size_t(file)].linkSet].first;
    for (std::size_t n = 0; n < step.moving.size(); ++n) {
        const int file = step.moving[n];
        if (held == Held::No && state.cancel.load()) {
            state.summary.cancelled = true;
            state.summary.notTried += step.moving.size() - n;
            break;
        }
        Item item;
        const CheckedFile& checked = group.files[std::size_t(file)];
        if (held == Held::No && State::holds(state.kept, checked)) {
            item = itemFor(index, file, checked, length, Held::KeptEarlier);
        } else if (held != Held::No) {
            item = itemFor(index, file, checked, length, held);
            if (held == Held::ByPlan) item.planReason = step.refusal;
        } else {
            item = moveOne(group, index, step, file, state);
        }
        const bool wentNow =
            item.held == Held::No && item.outcome.refusal == CopyRemover::Refusal::None;
        if (wentNow && checked.linkSet >= 0)
            ++linkSets[checked.linkSet].second;
        else if (wentNow)
            state.summary.bytesFreed += length;
        (wentNow ? state.summary.moved : state.summary.refused).push_back(std::move(item));
    }
    // Other names of one file free its bytes only when every one of them went.
    for (const auto& [set, names] : linkSets)
        if (names.first == names.second) state.summary.bytesFreed += length;
}

CleanupRun::Item CleanupRun::moveOne(const GroupCheck& group, std::size_t index,
                                     const CleanupStep& step, int file, State& state) {
    const CheckedFile& checked = group.files[std::size_t(file)];
    Item item = itemFor(index, file, checked, lengthOfClass(group, step.contentClass), Held::No);
    state.inFile = 0;
    item.outcome = state.remover.moveToTrash(group, step.keep, {file}).front();
    // A file in the trash, as it should be or not (NotMovedBack), can be put back.
    if (!item.outcome.trashed.trashedPath.empty()) {
        State::add(state.moved, checked);
        if (state.journal != nullptr) {
            item.recorded = state.journal->record(checked, group.mask, item.outcome.trashed);
            if (!item.recorded && state.summary.journalError.empty())
                state.summary.journalError = state.journal->errorText();
        }
    }
    ++state.filesDone;
    state.bytesDone += item.length;
    state.showProgress(0);
    if (state.inBatch && (++state.batchFiles >= kBatchFiles ||
                          std::chrono::steady_clock::now() - state.batchStart >= kBatchTime)) {
        endBatch(state);
        beginBatch(state);
    }
    return item;
}
