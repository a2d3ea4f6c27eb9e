// SPDX-License-Identifier: MIT
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>

#include "WindowFixture.h"
#include "engine/ConfigInfo.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "storage/CFileInfoDB.h"

namespace {

class MainWindowTest : public WindowFixture {
protected:
    // Shows the window and reports whether an analysis dialog opened before
    // its first result was loaded.
    bool showAndSeeWhetherItAnalyses(CQuorrelDlg& window) {
        bool analysed = false;
        auto* watch = new QTimer(&window);
        QObject::connect(watch, &QTimer::timeout, [&] {
            if (qobject_cast<CFileAnalyseDlg*>(QApplication::activeModalWidget())) analysed = true;
        });
        watch->start(10);
        showAndSettle(window);
        QTest::qWait(50);
        watch->stop();
        return analysed;
    }
    static QString statusLine(const CQuorrelDlg& window) {
        return window.findChild<QLabel*>("statusLine")->text();
    }
};

TEST_F(MainWindowTest, FirstStartWithoutADatabaseAnalysesAtOnceThenShowsCategory0) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');
    CQuorrelDlg window;
    EXPECT_TRUE(showAndSeeWhetherItAnalyses(window));
    auto* groups = find<QTableWidget>(window, "groupList");
    ASSERT_EQ(groups->rowCount(), 1);
    EXPECT_EQ(groups->item(0, 3)->text(), "one.txt");
    EXPECT_EQ(window.currentCategory(), 0);
    EXPECT_TRUE(find<QRadioButton>(window, "categoryAll")->isChecked());
}

TEST_F(MainWindowTest, AnEmptyIndexTableCountsAsReadyAndShowsAnEmptyCategory) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');  // not analysed
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.recreateIndexTable());
    }
    CQuorrelDlg window;
    EXPECT_FALSE(showAndSeeWhetherItAnalyses(window));
    EXPECT_EQ(find<QTableWidget>(window, "groupList")->rowCount(), 0);
    EXPECT_EQ(statusLine(window), QString::fromUtf8("共0页，共 0 B字节，重复 0 B字节"));
    EXPECT_EQ(find<QLabel>(window, "ratioText")->text(),
              QString::fromUtf8("当前类型重复文件比例：0.0%"));
}

TEST_F(MainWindowTest, ADatabaseWithoutAnIndexTableLeadsToAnAnalysis) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());  // the basic tables only
    }
    CQuorrelDlg window;
    EXPECT_TRUE(showAndSeeWhetherItAnalyses(window));
    EXPECT_EQ(find<QTableWidget>(window, "groupList")->rowCount(), 1);
}

TEST_F(MainWindowTest, CategoryButtonsPassTheirCodesNotTheirScreenOrder) {
    writeCopies({"a/main.c", "b/main.c"}, 50, 'c');
    writeCopies({"a/README", "b/README"}, 60, 'r');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    auto* groups = find<QTableWidget>(window, "groupList");
    ASSERT_EQ(groups->rowCount(), 2);

    QTest::mouseClick(find<QRadioButton>(window, "categoryOther"), Qt::LeftButton);
    EXPECT_EQ(window.currentCategory(), 4);
    EXPECT_EQ(columnTexts(*groups, 3), QStringList{"README"});

    QTest::mouseClick(find<QRadioButton>(window, "categoryDevelopment"), Qt::LeftButton);
    EXPECT_EQ(window.currentCategory(), 1);
    EXPECT_EQ(columnTexts(*groups, 3), QStringList{"main.c"});
}

TEST_F(MainWindowTest, ClickingTheCheckedButtonReloadsItsCategory) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    writeCopies({"a/two.txt", "b/two.txt"}, 200, 'y');
    // An analysis from outside the window meets the window's content check
    // as another program holding the database; the window stops its check
    // before its own analyses, and so does this one.
    window.StopContentCheck();
    analyse();
    QTest::mouseClick(find<QRadioButton>(window, "categoryAll"), Qt::LeftButton);
    EXPECT_EQ(find<QTableWidget>(window, "groupList")->rowCount(), 2);
}

TEST_F(MainWindowTest, SelectingAGroupListsItsFilesAndANewGroupEmptiesThePathBox) {
    writeCopies({"a/big.log", "b/big.log", "c/big.log"}, 300, 'b');
    writeCopies({"a/small.log", "b/small.log"}, 10, 's');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    auto* groups = find<QTableWidget>(window, "groupList");
    auto* files = find<QTableWidget>(window, "fileList");
    auto* path = find<QLineEdit>(window, "selectedPath");

    clickRow(*groups, 0);
    QStringList listed = columnTexts(*files, 0);
    listed.sort();
    const QStringList expected = {
        QString::fromStdString(tree_.drivePath("a/big.log")),
        QString::fromStdString(tree_.drivePath("b/big.log")),
        QString::fromStdString(tree_.drivePath("c/big.log")),
    };
    EXPECT_EQ(listed, expected);

    clickRow(*files, 1);
    EXPECT_EQ(path->text(), files->item(1, 0)->text());
    clickRow(*groups, 1);
    EXPECT_EQ(files->rowCount(), 2);
    EXPECT_TRUE(path->text().isEmpty());
    EXPECT_FALSE(find<QPushButton>(window, "openButton")->isEnabled());
}

TEST_F(MainWindowTest, ClickingTheSelectedGroupAgainKeepsTheFileSelection) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    auto* groups = find<QTableWidget>(window, "groupList");
    auto* files = find<QTableWidget>(window, "fileList");
    clickRow(*groups, 0);
    clickRow(*files, 0);
    const QString shown = find<QLineEdit>(window, "selectedPath")->text();
    ASSERT_FALSE(shown.isEmpty());
    clickRow(*groups, 0);
    EXPECT_EQ(find<QLineEdit>(window, "selectedPath")->text(), shown);
}

TEST_F(MainWindowTest, RightClickOnEmptySpaceGreysBrowseFolder) {
    writeCopies({"a/one.txt", "b/one.txt"}, 100, 'x');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    auto* files = find<QTableWidget>(window, "fileList");
    clickRow(*find<QTableWidget>(window, "groupList"), 0);
    bool enabled = true;
    uitest::withNextMenu(
        [&] {
            const QPoint below(20, files->viewport()->height() - 10);
            emit files->customContextMenuRequested(below);
        },
        [&](QMenu& menu) {
            enabled = menu.findChild<QAction*>("browseFolderAction")->isEnabled();
            menu.close();
        });
    EXPECT_FALSE(enabled);
}

TEST_F(MainWindowTest, BrowseFolderSwitchesToTheTreeAndSelectsTheFile) {
    writeCopies({"a/one.txt", "deep/er/one.txt"}, 100, 'x');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    auto* files = find<QTableWidget>(window, "fileList");
    clickRow(*find<QTableWidget>(window, "groupList"), 0);
    const int row =
        columnTexts(*files, 0).indexOf(QString::fromStdString(tree_.drivePath("deep/er/one.txt")));
    ASSERT_GE(row, 0);
    clickRow(*files, row);
    bool enabled = false;
    uitest::withNextMenu(
        [&] {
            const QRect cell = files->visualRect(files->model()->index(row, 0));
            emit files->customContextMenuRequested(cell.center());
        },
        [&](QMenu& menu) {
            QAction* browse = menu.findChild<QAction*>("browseFolderAction");
            enabled = browse->isEnabled();
            uitest::choose(menu, browse);
        });
    EXPECT_TRUE(enabled);
    EXPECT_EQ(find<QTabWidget>(window, "tabs")->currentIndex(), 1);
    EXPECT_EQ(find<QLineEdit>(window.treePage(), "pathField")->text(),
              QString::fromStdString(tree_.drivePath("deep/er/one.txt")));
}

TEST_F(MainWindowTest, EnterPressesExitAndEndsTheWindow) {
    CQuorrelDlg window;
    int result = -1;
    uitest::withNextModal([&] { result = window.exec(); },
                          [&](QDialog& shown) {
                              auto* radio = shown.findChild<QRadioButton*>("categoryMusic");
                              radio->setFocus();
                              QTest::keyClick(radio, Qt::Key_Return);
                          });
    EXPECT_EQ(result, QDialog::Accepted);
}

TEST_F(MainWindowTest, EscapeEndsTheWindow) {
    CQuorrelDlg window;
    int result = -1;
    uitest::withNextModal([&] { result = window.exec(); },
                          [&](QDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(MainWindowTest, AboutButtonOpensTheAboutBox) {
    CQuorrelDlg window;
    window.show();
    QString caption;
    uitest::withNextModal(
        [&] { QTest::mouseClick(find<QPushButton>(window, "aboutButton"), Qt::LeftButton); },
        [&](QDialog& about) {
            caption = about.windowTitle();
            about.reject();
        });
    EXPECT_EQ(caption, QString::fromUtf8("关于 Lanbrook"));
}

}  // namespace

namespace {

TEST(MainWindowLayoutTest, EveryControlOfBothPagesLiesInsideTheTab) {
    CQuorrelDlg window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* tabs = window.findChild<QTabWidget*>("tabs");
    for (int tab = 0; tab < 2; ++tab) {
        tabs->setCurrentIndex(tab);
        QWidget* page = tabs->currentWidget();
        for (QWidget* control :
             page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect inTab(control->mapTo(tabs, QPoint(0, 0)), control->size());
            EXPECT_TRUE(tabs->rect().contains(inTab))
                << control->objectName().toStdString() << " " << inTab.right() << " "
                << tabs->rect().right() << " page " << page->width();
        }
    }
}

TEST(MainWindowLayoutTest, TabMovesFromTheTabControlIntoTheShownPage) {
    CQuorrelDlg window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* tabs = window.findChild<QTabWidget*>("tabs");
    tabs->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "groupList");
}

}  // namespace
