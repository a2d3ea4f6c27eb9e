// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <thread>

#include "TempTree.h"
#include "UiTestSupport.h"
#include "engine/ConfigInfo.h"
#include "engine/ui/CAnalyseMessageEvent.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "engine/ui/ControlIds.h"
#include "results/FileInfoLoader.h"

namespace {

class AnalyseDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::removeDatabase();
        tree_.writeFile("a/one.txt", "first file");
        tree_.writeFile("a/two.txt", "second file");
        tree_.writeFile("b/three.dat", "third file");
    }

    static QString field(const CFileAnalyseDlg& dialog, int id) {
        return dialog.control<QLineEdit>(id)->text();
    }
    static QPushButton* exitButton(const CFileAnalyseDlg& dialog) {
        return dialog.control<QPushButton>(ids::kOk);
    }
    static bool databaseReady() { return FileInfoLoader().isDatabaseReady(); }

    // Runs `dialog` modally and calls `onState` on the dialog's thread for
    // each state message, before the dialog handles it.
    struct StateWatch : QObject {
        std::function<void(std::uintptr_t)> onState;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == CAnalyseMessageEvent::eventType()) {
                auto* message = static_cast<CAnalyseMessageEvent*>(event);
                if (message->message() == WM_ANALYSE_STATE) onState(message->wParam());
            }
            return false;
        }
    };

    TempTree tree_;
};

TEST_F(AnalyseDlgTest, ShowsEveryDriveRootInBracketsAndTheStartingText) {
    CFileAnalyseDlg dialog;
    dialog.show();
    EXPECT_EQ(field(dialog, ids::kAnalyseDrives), "[C:\\]  ");
    EXPECT_EQ(field(dialog, ids::kAnalyseFolder), QString::fromUtf8("正在启动分析..."));
    EXPECT_TRUE(exitButton(dialog)->isEnabled());
    EXPECT_FALSE(dialog.isRunning());
    QTest::mouseClick(exitButton(dialog), Qt::LeftButton);  // ends it before any run
}

TEST_F(AnalyseDlgTest, WithCloseWhenDoneItEndsByItselfAfterTheIndexIsBuilt) {
    CFileAnalyseDlg dialog;
    dialog.closeWhenDone = true;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(databaseReady());
    EXPECT_EQ(field(dialog, ids::kAnalyseFolder), QString::fromUtf8("建立统计索引完成."));
    EXPECT_EQ(field(dialog, ids::kAnalyseCount), "3");
}

TEST_F(AnalyseDlgTest, WithoutCloseWhenDoneItStaysOpenWithTheExitButtonEnabledAgain) {
    CFileAnalyseDlg dialog;
    dialog.show();
    ASSERT_TRUE(uitest::waitUntil([&] {
        return field(dialog, ids::kAnalyseFolder) == QString::fromUtf8("建立统计索引完成.") &&
               !dialog.isRunning();
    }));
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(exitButton(dialog)->isEnabled());
    QTest::mouseClick(exitButton(dialog), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AnalyseDlgTest, EscapeAndTheCloseButtonDoNothingWhileTheRunLasts) {
    CFileAnalyseDlg dialog;
    dialog.closeWhenDone = true;
    bool visibleAfterEscape = false, visibleAfterClose = false, exitEnabled = true;
    StateWatch watch;
    watch.onState = [&](std::uintptr_t state) {
        if (state != kStateStarted) return;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        visibleAfterEscape = dialog.isVisible();
        dialog.close();
        visibleAfterClose = dialog.isVisible();
        exitEnabled = exitButton(dialog)->isEnabled();
    };
    dialog.installEventFilter(&watch);
    dialog.exec();
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(exitEnabled);
    EXPECT_TRUE(databaseReady());  // the run went to its end
}

TEST_F(AnalyseDlgTest, ExitDuringTheFirstSecondEndsItWithoutARun) {
    CFileAnalyseDlg dialog;
    uitest::withNextModal([&] { dialog.exec(); },
                          [&](QDialog&) { QTest::mouseClick(exitButton(dialog), Qt::LeftButton); });
    QTest::qWait(1200);  // past the moment the run would have started
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_FALSE(databaseReady());
}

TEST_F(AnalyseDlgTest, DestroyingTheDialogMidRunWaitsForTheWorkerAndFreesItsMessages) {
    {
        CFileAnalyseDlg dialog;
        dialog.show();
        ASSERT_TRUE(uitest::waitUntil([&] { return dialog.isRunning(); }));
    }  // undelivered progress blocks go with their events (the leak checker watches)
    EXPECT_TRUE(databaseReady());
}

TEST_F(AnalyseDlgTest, AProgressBlockFromAnotherThreadShowsItsTextAndCount) {
    CFileAnalyseDlg dialog;  // not shown, so no run starts
    std::thread sender([&] {
        char* block = new char[kProgressBlockSize]();
        const std::uint32_t count = 42;
        std::memcpy(block, &count, sizeof count);
        std::strcpy(block + kProgressTextOffset, "C:\\Data\\");
        (void)dialog.postMessage(WM_ANALYSE_INFO, reinterpret_cast<std::uintptr_t>(block),
                                 kInfoProgressBlock);
    });
    sender.join();
    QApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(field(dialog, ids::kAnalyseFolder), "C:\\Data\\");
    EXPECT_EQ(field(dialog, ids::kAnalyseCount), "42");
}

TEST_F(AnalyseDlgTest, ACountMessageChangesOnlyTheCount) {
    CFileAnalyseDlg dialog;
    dialog.control<QLineEdit>(ids::kAnalyseFolder)->setText("C:\\Kept\\");
    (void)dialog.postMessage(WM_ANALYSE_INFO, 4000000000u, kInfoFileCount);
    QApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(field(dialog, ids::kAnalyseCount), "4000000000");
    EXPECT_EQ(field(dialog, ids::kAnalyseFolder), "C:\\Kept\\");
}

TEST_F(AnalyseDlgTest, ABlockWithoutATerminatorShowsAtMostTheBlocksText) {
    CFileAnalyseDlg dialog;
    char* block = new char[kProgressBlockSize];
    std::memset(block, 'x', kProgressBlockSize);
    (void)dialog.postMessage(WM_ANALYSE_INFO, reinterpret_cast<std::uintptr_t>(block),
                             kInfoProgressBlock);
    QApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(field(dialog, ids::kAnalyseFolder).size(),
              int(kProgressBlockSize - kProgressTextOffset));
}

}  // namespace
