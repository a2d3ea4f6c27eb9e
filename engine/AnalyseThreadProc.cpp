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

// Scans one drive root. The scan record, which tells the next run from when
// on files count as modified, is written only once the scan has completed,
// with the time taken before it began: a run killed part way leaves the
// previous record, so the next run rechecks every file modified since then.
void scanRoot(const std::string& root, IInfoLog& log) {
    FileInfoProc scanner(root.c_str());
    scanner.lastScanTime = 0;
    scanner.lastScanTime = scanner.folderData().lastScanTime(scanner.rootPath());
    const auto started = static_cast<std::int64_t>(std::time(nullptr));
    scanner.scanFolder(scanner.rootPath().c_str(), log);
    (void)scanner.folderData().addScanRecord(scanner.rootPath(), started);
}

void postState(IMessageTarget* target, std::uintptr_t state) {
    if (target != nullptr) (void)target->postMessage(WM_ANALYSE_STATE, state, 0);
}

}  // namespace

unsigned long AnalyseThreadProc(IMessageTarget* target) {
    postState(target, kStateStarted);
    CAnalyseInfoLog log(target);
    for (const std::string& root : FileUtility::getLogicalDrives()) scanRoot(root, log);

    (void)log.print(kIndexBuildingText);
    {
        FileInfoAnalyse analyse;
        (void)analyse.buildIndex();
    }
    (void)log.print(kIndexDoneText);
    postState(target, kStateFinished);
    return 0;
}
