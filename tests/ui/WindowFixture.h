// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TempTree.h"
#include "UiTestSupport.h"
#include "app/CQuorrelDlg.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "storage/CFileInfoDB.h"

// A fresh database per test over a real tree, analysed by a real run, and the
// real main window over it.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override { testsupport::removeDatabase(); }

    // `size` bytes of `fill`: files with equal size and fill are copies.
    static std::string content(std::size_t size, char fill) { return std::string(size, fill); }

    // Writes one file of `size` bytes of `fill` at each relative path.
    void writeCopies(const std::vector<std::string>& paths, std::size_t size, char fill) const {
        for (const std::string& path : paths) tree_.writeFile(path, content(size, fill));
    }

    // One whole analysis run of every drive, on this thread.
    static void analyse() {
        ConsoleTarget target(stdout, true);
        (void)AnalyseThreadProc(&target);
    }

    // The ignored folders as stored, read on a connection of the test's own.
    // The window's background content check writes its cache now and then;
    // this connection waits for such a write instead of failing at once.
    static std::vector<std::string> ignoredFolders() {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        std::vector<std::string> folders;
        EXPECT_TRUE(db.open());
        EXPECT_TRUE(db.execute("PRAGMA busy_timeout = 10000"));
        EXPECT_TRUE(db.loadIgnoredFolders(folders));
        return folders;
    }

    // Points GIO's trash into the scratch folder. GIO reads XDG_DATA_HOME
    // once per process: call it before any window exists.
    static void useScratchTrash() {
        static const std::string data = testsupport::prepareScratchEnvironment() + "/xdg-data";
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    }

    // Shows the window and waits until its start-up decision has run.
    static void showAndSettle(CQuorrelDlg& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(uitest::waitUntil([&] { return !window.isStartupPending(); }));
        QApplication::processEvents();
    }

    // Waits until the window's content check has checked every group.
    static void waitForContentCheck(CQuorrelDlg& window) {
        CContentCheckPanel& check = window.contentCheck();
        ASSERT_TRUE(uitest::waitUntil(
            [&] { return check.checkedGroups() == check.totalGroups() && !check.isRunning(); }));
    }

    template <class T>
    static T* find(const QWidget& parent, const char* name) {
        T* widget = parent.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static QStringList columnTexts(const QTableWidget& list, int column) {
        QStringList texts;
        for (int row = 0; row < list.rowCount(); ++row) texts << list.item(row, column)->text();
        return texts;
    }

    // Clicks the cell at (row, column) of a list.
    static void clickRow(QTableWidget& list, int row, int column = 0) {
        const QRect cell = list.visualRect(list.model()->index(row, column));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    TempTree tree_;
};
