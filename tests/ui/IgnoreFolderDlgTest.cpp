// SPDX-License-Identifier: MIT
#include <QPlainTextEdit>

#include "WindowFixture.h"
#include "app/CIgnoreFolderDlg.h"
#include "engine/ConfigInfo.h"
#include "storage/CFileInfoDB.h"

namespace {

// The manager over the loader's open connection, as the main window opens it.
class IgnoreFolderDlgTest : public WindowFixture {
protected:
    void ignore(const std::vector<std::string>& folders) {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        for (const std::string& folder : folders) ASSERT_TRUE(db.addIgnoredFolder(folder));
    }
    std::unique_ptr<CIgnoreFolderDlg> openManager() {
        (void)loader_.isDatabaseReady();  // opens the connection, as the start-up does
        auto manager = std::make_unique<CIgnoreFolderDlg>();
        manager->m_loader = &loader_;
        manager->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
        return manager;
    }
    static QTableWidget& list(const CIgnoreFolderDlg& m) {
        return *find<QTableWidget>(m, "ignoredList");
    }
    static QPushButton& release(const CIgnoreFolderDlg& m) {
        return *find<QPushButton>(m, "releaseButton");
    }
    std::vector<std::string> stored() {
        std::vector<std::string> folders;
        EXPECT_TRUE(loader_.database().loadIgnoredFolders(folders));
        return folders;
    }

    FileInfoLoader loader_;
};

TEST_F(IgnoreFolderDlgTest, AnEmptyListShowsTheExplanationAndADisabledRelease) {
    auto manager = openManager();
    EXPECT_EQ(manager->windowTitle(), QString::fromUtf8("屏蔽目录管理"));
    EXPECT_EQ(list(*manager).rowCount(), 0);
    EXPECT_EQ(list(*manager).horizontalHeaderItem(0)->text(), QString::fromUtf8("已屏蔽目录"));
    const QStringList lines =
        find<QPlainTextEdit>(*manager, "explanationText")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0],
              QString::fromUtf8("列表中包含被屏蔽的目录，管理器将不会去扫描。电脑中很多"));
    EXPECT_EQ(lines[3], QString::fromUtf8("不需要管理的目录添加到屏蔽列表。"));
    EXPECT_FALSE(release(*manager).isEnabled());
}

TEST_F(IgnoreFolderDlgTest, ReleasingTheOnlyFolderEmptiesTheListAndTheTable) {
    ignore({"C:\\Data"});
    auto manager = openManager();
    ASSERT_EQ(list(*manager).rowCount(), 1);
    EXPECT_EQ(list(*manager).item(0, 0)->text(), "C:\\Data");
    clickRow(list(*manager), 0);
    ASSERT_TRUE(release(*manager).isEnabled());
    QTest::mouseClick(&release(*manager), Qt::LeftButton);
    EXPECT_EQ(list(*manager).rowCount(), 0);
    EXPECT_FALSE(release(*manager).isEnabled());
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(list(*openManager()).rowCount(), 0);  // reopened: still gone
}

TEST_F(IgnoreFolderDlgTest, AFolderWithASingleQuoteIsReleased) {
    ignore({"C:\\it's mine", "C:\\Other"});
    auto manager = openManager();
    ASSERT_EQ(list(*manager).rowCount(), 2);
    const int row = list(*manager).item(0, 0)->text() == "C:\\it's mine" ? 0 : 1;
    clickRow(list(*manager), row);
    QTest::mouseClick(&release(*manager), Qt::LeftButton);
    EXPECT_EQ(stored(), std::vector<std::string>{"C:\\Other"});
    EXPECT_FALSE(release(*manager).isEnabled());
}

TEST_F(IgnoreFolderDlgTest, ClickingEmptySpaceBelowTheRowsDisablesRelease) {
    ignore({"C:\\Data"});
    auto manager = openManager();
    clickRow(list(*manager), 0);
    ASSERT_TRUE(release(*manager).isEnabled());
    QWidget* viewport = list(*manager).viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, viewport->height() - 5));
    EXPECT_FALSE(release(*manager).isEnabled());
}

TEST_F(IgnoreFolderDlgTest, TheMainWindowsButtonOpensTheManagerOverItsLoader) {
    ignore({"C:\\Data"});
    CQuorrelDlg window;
    showAndSettle(window);
    int rows = -1;
    uitest::withNextModal(
        [&] {
            QTest::mouseClick(find<QPushButton>(window, "ignoreManagerButton"), Qt::LeftButton);
        },
        [&](QDialog& manager) {
            rows = manager.findChild<QTableWidget*>("ignoredList")->rowCount();
            manager.accept();
        });
    EXPECT_EQ(rows, 1);
}

}  // namespace
