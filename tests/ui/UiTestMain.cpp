// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

#include <string>

#include "TempTree.h"

// Window tests run on the offscreen platform unless told otherwise (test
// discovery runs this program too), over the process's scratch drive. Qt
// wants its runtime folder private (0700); it lies beside the scratch drive,
// so scans never see it.
int main(int argc, char** argv) {
    const std::string& scratch = testsupport::prepareScratchEnvironment();
    const QString runtime = QString::fromStdString(scratch) + "-runtime";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    QDir(runtime).removeRecursively();
    return result;
}
