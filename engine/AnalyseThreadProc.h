// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "engine/IMessageTarget.h"

class AnalysisScope;

// What a run leaves for a caller that wants to know (the console runner; the
// window stays silent): the writes the database refused, a lock held by
// another program or a full disk for instance, and whether the index was
// rewritten. A root with a failed write gets no scan record, so the next run
// rechecks every file modified since the root's last complete scan.
struct AnalysisOutcome {
    std::uint64_t failedWrites = 0;
    bool indexWritten = false;
};

// One whole analysis run: scans every drive root into the database, rebuilds
// the statistics index and reports through `target`: WM_ANALYSE_STATE 1 first,
// a progress block per folder entered, file counts at most once a second, the
// two index texts, and WM_ANALYSE_STATE 2 last. Fills `outcome` when given.
// Returns 0.
//
// With a scope of chosen folders (`scope`, else the scope chosen in the
// window and stored in the database; empty: every drive, as above) the run
// walks those folders instead of the drive roots, each as a root is walked,
// with a scan record of its own; the newest record of the folder or of a
// folder above it tells from when on its files count as modified, so a
// folder an earlier, wider analysis covered is not read again. The index is
// then built from the files under those folders only.
//
// Last, the per-folder space totals of the analysed folders are kept
// (SpaceHistory), the two newest analyses' only.
unsigned long AnalyseThreadProc(IMessageTarget* target, AnalysisOutcome* outcome = nullptr,
                                const AnalysisScope* scope = nullptr);

// The texts of the progress blocks posted when the index build begins and
// when it is done; both carry the run's final file count.
inline constexpr const char* kIndexBuildingText = "正在建立统计索引.....";
inline constexpr const char* kIndexDoneText = "建立统计索引完成.";
