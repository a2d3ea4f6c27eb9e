// SPDX-License-Identifier: MIT
#include "engine/AnalyseThreadProc.h"

#include <ctime>
#include <string>
#include <vector>

#include "engine/CAnalyseInfoLog.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "util/FileUtility.h"

namespace {

// Scans one drive root and returns how many of its writes failed. The scan
// record, which tells the next run from when on files count as modified, is
// written only once the scan has completed with every write in place, with
// the time taken before it began: a run killed part way, or one whose writes
// a lock refused, leaves the previous record, so the next run rechecks every
// file modified since then.
std::uint64_t scanRoot(const std::string& root, IInfoLog& log) {
    FileInfoProc scanner(root.c_str());
    scanner.lastScanTime = 0;
    scanner.lastScanTime = scanner.folderData().lastScanTime(scanner.rootPath());
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

}  // namespace

unsigned long AnalyseThreadProc(IMessageTarget* target, AnalysisOutcome* outcome) {
    postState(target, kStateStarted);
    CAnalyseInfoLog log(target);
    AnalysisOutcome result;
    for (const std::string& root : FileUtility::getLogicalDrives())
        result.failedWrites += scanRoot(root, log);

    (void)log.print(kIndexBuildingText);
    {
        FileInfoAnalyse analyse;
        (void)analyse.buildIndex();
        result.indexWritten = analyse.indexWritten();
    }
    (void)log.print(kIndexDoneText);
    if (outcome != nullptr) *outcome = result;
    postState(target, kStateFinished);
    return 0;
}
