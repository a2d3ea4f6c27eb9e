// SPDX-License-Identifier: MIT
#include "engine/CleanupProtection.h"

#include <memory>

#include "engine/AnalysisScope.h"
#include "storage/CSqliteDB.h"

bool loadCleanupProtection(CSqliteDB& database, CleanupPlanner::ProtectedTest& test,
                           std::string& error) {
    auto scope = std::make_shared<AnalysisScope>();
    if (!scope->loadProtection(database)) {
        error = database.errorText().empty() ? "the protected folders cannot be read"
                                             : database.errorText();
        return false;
    }
    if (scope->hasProtectedFolders())
        test = [scope](const std::string& path) { return scope->isProtected(path); };
    else
        test = nullptr;
    return true;
}
