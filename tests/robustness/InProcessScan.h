// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "engine/IInfoLog.h"

// A progress sink that prints nothing; it still counts the files handled.
class QuietLog : public IInfoLog {
public:
    int print(const char*) override { return 1; }
};

// Scans drive C: from `folder` in this process and rebuilds the index, as
// one drive of an analysis run does.
inline void scanAndIndex(const std::string& folder) {
    QuietLog log;
    FileInfoProc scanner("C:\\");
    scanner.scanFolder(folder.c_str(), log);
    FileInfoAnalyse analyse;
    ASSERT_TRUE(analyse.buildIndex());
}
