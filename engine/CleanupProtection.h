// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "engine/CleanupPlanner.h"

class CSqliteDB;

// The protected folders a clean-up plans with, in the window and on the
// command line alike: a file in one always stays. They are chosen with the
// analysis scope, which keeps them in tables of its own; this is the one
// place a clean-up reads them from.
//
// Seam: this build has no stored scope yet, so no folder is protected and
// `test` is left empty (the planner then protects nothing). Where the scope
// exists, this reads it (AnalysisScope::loadProtection) and answers with its
// isProtected(); a scope that cannot be read must fail here, so that nothing
// is planned without it.
[[nodiscard]] bool loadCleanupProtection(CSqliteDB& database, CleanupPlanner::ProtectedTest& test,
                                         std::string& error);
