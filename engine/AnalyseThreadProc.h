// SPDX-License-Identifier: MIT
#pragma once

#include "engine/IMessageTarget.h"

// One whole analysis run: scans every drive root into the database, rebuilds
// the statistics index and reports through `target`: WM_ANALYSE_STATE 1 first,
// a progress block per folder entered, file counts at most once a second, the
// two index texts, and WM_ANALYSE_STATE 2 last. Returns 0.
unsigned long AnalyseThreadProc(IMessageTarget* target);

// The texts of the progress blocks posted when the index build begins and
// when it is done; both carry the run's final file count.
inline constexpr const char* kIndexBuildingText = "正在建立统计索引.....";
inline constexpr const char* kIndexDoneText = "建立统计索引完成.";
