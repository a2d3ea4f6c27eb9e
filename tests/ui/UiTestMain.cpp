// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>

#include <cstdlib>
#include <string>

#include "TempTree.h"

// Window tests run on the offscreen platform unless told otherwise (test
// discovery runs this program too), over the process's scratch drive.
int main(int argc, char** argv) {
    const std::string& scratch = testsupport::prepareScratchEnvironment();
    const std::string runtime = scratch + "/runtime";
    ::mkdir(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
