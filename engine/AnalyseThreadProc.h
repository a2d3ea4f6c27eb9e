// SPDX-License-Identifier: MIT
#pragma once

#include "engine/IMessageTarget.h"

// One whole analysis run: scans every drive root into the database, rebuilds
// the statistics index and reports through `target`: WM_ANALYSE_STATE 1 first,
// a progress block per folder entered, file counts at most once a second, the
// two index texts, and WM_ANALYSE_STATE 2 last. Returns 0.
unsigned long AnalyseThreadProc(IMessageTarget* target);
