// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "engine/CleanupPlanner.h"

class CSqliteDB;

// The protected folders a clean-up plans with, in the window and on the
// command line alike: a file in one always stays. They are those of the
// analysis scope (AnalysisScope::loadProtection: the folders protected in
// the scope chosen now and in the one the result shown was made from), read
// from `database`. False, with `error`, when they cannot be read: nothing
// may be planned then. `test` is left empty when no folder is protected.
[[nodiscard]] bool loadCleanupProtection(CSqliteDB& database, CleanupPlanner::ProtectedTest& test,
                                         std::string& error);
