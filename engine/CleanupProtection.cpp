// SPDX-License-Identifier: MIT
#include "engine/CleanupProtection.h"

bool loadCleanupProtection(CSqliteDB&, CleanupPlanner::ProtectedTest& test, std::string&) {
    test = nullptr;
    return true;
}
