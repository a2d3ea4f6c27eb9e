// SPDX-License-Identifier: MIT
// The analysis dialog when the system gives no thread for its run.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "TempTree.h"
#include "ThreadStartFault.h"
#include "UiTestSupport.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "engine/ui/ControlIds.h"
#include "results/FileInfoLoader.h"

TEST(AnalyseDlgThreadTest, ARunWhoseThreadCannotStartIsReportedAndTheDialogCanBeClosed) {
    testsupport::removeDatabase();
    TempTree tree;
    tree.writeFile("a/one.txt", "first file");
    CFileAnalyseDlg dialog;
    dialog.closeWhenDone = true;
    dialog.show();
    {
        ThreadStartFault fault(1);
        ASSERT_TRUE(uitest::waitUntil([&] { return fault.refusals() == 1; }));
    }
    QApplication::processEvents();
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_TRUE(dialog.isVisible());  // it stays open to say why nothing happened
    EXPECT_EQ(dialog.control<QLineEdit>(ids::kAnalyseFolder)->text(),
              QString::fromUtf8("无法启动分析：系统无法再创建线程。"));
    QPushButton* exit = dialog.control<QPushButton>(ids::kOk);
    EXPECT_TRUE(exit->isEnabled());
    EXPECT_FALSE(FileInfoLoader().isDatabaseReady());
    QTest::mouseClick(exit, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
}
