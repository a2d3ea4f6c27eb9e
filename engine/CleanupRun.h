// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/CleanupPlanner.h"
#include "engine/CopyRemover.h"

class CFileInfoDB;
class CleanupJournal;
class ContentChecker;

// Carries out a clean-up plan through the one removal path: the files of
// each step the plan did not refuse go to the trash one at a time, each
// checked by CopyRemover right before it moves (both files against what the
// check found, byte for byte against the file that stays). The run may be
// cancelled between two files; what moved stays moved and is listed.
//
// The plan was made from the content check's results, and files may have
// moved since. So the run holds the plan's promise itself too: a file that
// an earlier step kept (or a refused step left in place) is never moved,
// and a step whose file that stays was moved by an earlier step moves
// nothing. Files are told apart as the planner does (CleanupPlanner::fileKey)
// and by their paths.
//
// The database learns of the moves in transactions of a quarter second at
// most: the files' rows deleted and the moves recorded to be undone. Their
// cached hashes are left to the content cache's next pruning. A batch the
// database refuses leaves the rows of its files (the next analysis removes
// them) and its moves unrecorded; the summary says so.
class CleanupRun {
public:
    // Why a file of the plan was held back before the removal path was asked.
    enum class Held {
        No,                // it was asked; `outcome` says what happened
        ByPlan,            // the plan refused its step (`reason` of the step)
        KeptEarlier,       // an earlier step kept this file
        KeepMovedEarlier,  // the file that stays in its step was moved by an earlier step
    };
    struct Item {
        std::size_t step = 0;
        int file = -1;     // index into the step's group's files
        std::string path;  // program form
        std::uint64_t length = 0;
        Held held = Held::No;
        std::string planReason;        // for ByPlan: the step's refusal
        CopyRemover::Outcome outcome;  // for No
        bool recorded = false;         // in the trash and written down to be undone
    };
    struct Summary {
        std::vector<Item> moved;       // in the trash now
        std::vector<Item> refused;     // held back or refused (NotMovedBack ones are in the trash)
        std::uint64_t bytesFreed = 0;  // other names of a file count once, and only when all went
        std::size_t notTried = 0;      // files left when the run was cancelled
        bool cancelled = false;
        std::string journalError;  // why a file that moved could not be recorded, if one could not
    };
    // Files and bytes handled so far; written by the run, read by any
    // thread. `onChange`, when set, is called on the run's thread after each
    // change (a console shows a line from there).
    struct Progress {
        std::atomic<std::uint64_t> files{0};
        std::atomic<std::uint64_t> bytes{0};
        std::function<void(std::uint64_t files, std::uint64_t bytes)> onChange;
    };
    struct Totals {
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;  // each file's length, names of one file each
    };

    // `database` and `cache` (open) must outlive the run. `move` and `hook`
    // are handed to CopyRemover (tests give them).
    CleanupRun(CFileInfoDB& database, ContentChecker& cache, CopyRemover::MoveFunction move = {},
               CopyRemover::StepHook hook = {});

    // The files the steps not refused would move, and their lengths.
    static Totals totals(const std::vector<GroupCheck>& groups,
                         const std::vector<CleanupStep>& steps);

    // Carries out `steps` (made over `groups`), in order. `cancel` is read
    // before each file; `progress`, when given, follows each file and each
    // block compared; `journal`, when given (begun), records each file that
    // went to the trash.
    Summary run(const std::vector<GroupCheck>& groups, const std::vector<CleanupStep>& steps,
                const std::atomic<bool>& cancel, Progress* progress = nullptr,
                CleanupJournal* journal = nullptr);

private:
    struct State;

    void runStep(const GroupCheck& group, std::size_t index, const CleanupStep& step, State& state);
    Item moveOne(const GroupCheck& group, std::size_t index, const CleanupStep& step, int file,
                 State& state);
    void beginBatch(State& state);
    void endBatch(State& state);

    CFileInfoDB& database_;
    ContentChecker& cache_;
    CopyRemover::MoveFunction move_;
    CopyRemover::StepHook hook_;
};
