// SPDX-License-Identifier: MIT
#include "engine/AnalyseThreadProc.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "engine/AnalysisScope.h"
#include "engine/CAnalyseInfoLog.h"
#include "engine/ConfigInfo.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "engine/SpaceHistory.h"
#include "util/FileUtility.h"

namespace {

// Scans one drive root and returns how many of its writes failed. The scan
// record, which tells the next run from when on files count as modified, is
// written only once the scan has completed with every write in place, with
// the time taken before it began: a run killed part way, or one whose writes
// a lock refused, leaves the previous record, so the next run rechecks every
// file modified since then.
//
// A drive root's previous scan is its own latest record. A chosen folder
// (`coveredFromAbove`) was also brought up to date by every completed scan
// of a folder above it, so the newest of those records counts.
std::uint64_t scanRoot(const std::string& root, IInfoLog& log, bool coveredFromAbove) {
    FileInfoProc scanner(root.c_str());
    scanner.lastScanTime = 0;
    if (!coveredFromAbove) {
        scanner.lastScanTime = scanner.folderData().lastScanTime(scanner.rootPath());
    } else {
        for (const std::string& folder : AnalysisScope::foldersAbove(scanner.rootPath()))
            scanner.lastScanTime =
                std::max(scanner.lastScanTime, scanner.folderData().lastScanTime(folder));
    }
    const auto started = static_cast<std::int64_t>(std::time(nullptr));
    scanner.scanFolder(scanner.rootPath().c_str(), log);
    CFileInfoDB& database = scanner.folderData().database();
    // scanFolder commits its writes; a transaction still open is a COMMIT that failed.
    if (database.inTransaction()) database.countFailedWrite();
    if (database.failedWrites() == 0 &&
        !scanner.folderData().addScanRecord(scanner.rootPath(), started))
        database.countFailedWrite();
    return database.failedWrites();
}

void postState(IMessageTarget* target, std::uintptr_t state) {
    if (target != nullptr) (void)target->postMessage(WM_ANALYSE_STATE, state, 0);
}

// The scope chosen in the window; every drive when none is stored, or when
// it cannot be read even after waiting a moment for another program's write.
AnalysisScope chosenScope() {
    AnalysisScope scope;
    if (!AnalysisScope::loadFrom(ConfigInfo::global().getDatabasePath(),
                                 AnalysisScope::Stored::Chosen, scope))
        return AnalysisScope();
    return scope;
}

}  // namespace

unsigned long AnalyseThreadProc(IMessageTarget* target, AnalysisOutcome* outcome,
                                const AnalysisScope* scope) {
    postState(target, kStateStarted);
    const AnalysisScope chosen = scope != nullptr ? *scope : chosenScope();
    CAnalyseInfoLog log(target);
    AnalysisOutcome result;
    if (chosen.coversEveryDrive()) {
        for (const std::string& root : FileUtility::getLogicalDrives())
            result.failedWrites += scanRoot(root, log, false);
    } else {
        for (const std::string& root : chosen.roots())
            result.failedWrites += scanRoot(root, log, true);
    }

    (void)log.print(kIndexBuildingText);
    {
        FileInfoAnalyse analyse(chosen);
        (void)analyse.buildIndex();
        result.indexWritten = analyse.indexWritten();
    }
    // The per-folder totals of this analysis, which the next one's space
    // view compares with; a failure costs only that comparison.
    (void)SpaceHistory::recordAnalysis(ConfigInfo::global().getDatabasePath(),
                                       static_cast<std::int64_t>(std::time(nullptr)));
    (void)log.print(kIndexDoneText);
    if (outcome != nullptr) *outcome = result;
    postState(target, kStateFinished);
    return 0;
}
