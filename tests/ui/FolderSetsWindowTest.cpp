// SPDX-License-Identifier: MIT
// The 重复文件夹 page in the real window: it checks what is not checked yet
// when it opens, lists the sets and the redundant folders, shows a folder's
// files in the file list, and keeps one folder of a set while the others go
// to the trash whole. The trash is the desktop's, in a data folder of the
// test's own.
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "WindowFixture.h"
#include "engine/ui/ItemBytes.h"
#include "engine/ui/ListViewRows.h"
#include "util/platform/FileSystem.h"

namespace {

class FolderSetsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        useScratchTrash();
        for (const char* copy : {"music", "usb/music"}) {
            tree_.writeFile(std::string(copy) + "/album/one.mp3", content(7000, '1'));
            tree_.writeFile(std::string(copy) + "/album/two.mp3", content(5000, '2'));
            tree_.writeFile(std::string(copy) + "/cover.jpg", content(3000, 'c'));
        }
        tree_.writeFile("loose/one again.mp3", content(7000, '1'));
    }

    // Analyses, opens the window and shows the page by clicking its tab.
    void openPage() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
        auto* tabs = find<QTabWidget>(*window_, "tabs");
        ASSERT_EQ(tabs->count(), 3);
        ASSERT_EQ(tabs->tabText(2), QStringLiteral("重复文件夹"));
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        ASSERT_EQ(tabs->currentIndex(), 2);
        waitForPage();
    }

    void waitForPage() {
        CFolderSetsPage& page = window_->folderPage();
        ASSERT_TRUE(uitest::waitUntil([&] { return page.isCurrent() && !page.isChecking(); }));
    }

    QTreeWidget& tree() const { return *find<QTreeWidget>(*window_, "folderSetsTree"); }
    QTableWidget& files() const { return *find<QTableWidget>(*window_, "fileList"); }

    static QString path(const QTreeWidgetItem* item) {
        return QString::fromUtf8(item->data(0, itembytes::kBytesRole).toByteArray());
    }
    QString folderPath(const std::string& relative) const {
        return QString::fromUtf8((tree_.drivePath(relative) + "\\").c_str());
    }

    // Opens the page's menu on `item` and hands it to `inspect`.
    void withMenuOn(QTreeWidgetItem* item, const std::function<void(QMenu&)>& inspect) {
        tree().scrollToItem(item);
        const QRect cell = tree().visualItemRect(item);
        uitest::withNextMenu([&] { emit tree().customContextMenuRequested(cell.center()); },
                             inspect);
    }

    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(FolderSetsWindowTest, PageChecksFirstThenListsTheSetAndTheRedundantFolder) {
    openPage();
    // The window's own check had not run for every group: the page did.
    ASSERT_EQ(tree().topLevelItemCount(), 3);
    QTreeWidgetItem* set = tree().topLevelItem(0);
    EXPECT_EQ(set->text(0), QStringLiteral("2 个相同文件夹"));
    EXPECT_EQ(set->text(1), QStringLiteral("3"));
    ASSERT_EQ(set->childCount(), 2);
    EXPECT_EQ(path(set->child(0)), folderPath("music"));
    EXPECT_EQ(path(set->child(1)), folderPath("usb/music"));
    // usb holds nothing but the copy, and is redundant; loose is too.
    EXPECT_EQ(path(tree().topLevelItem(1)), folderPath("usb"));
    QTreeWidgetItem* redundant = tree().topLevelItem(2);
    EXPECT_EQ(path(redundant), folderPath("loose"));
    EXPECT_EQ(redundant->text(3), QStringLiteral("全部有副本"));
    ASSERT_GE(redundant->childCount(), 1);
    EXPECT_TRUE(redundant->child(0)->text(0).startsWith(QStringLiteral("副本在 ")));
    const QString status = find<QLabel>(*window_, "folderSetsStatus")->text();
    EXPECT_TRUE(status.contains(QStringLiteral("相同文件夹 1 组"))) << status.toStdString();
}

TEST_F(FolderSetsWindowTest, SelectingAFolderListsItsFilesWithTheirCopies) {
    openPage();
    QTreeWidgetItem* music = tree().topLevelItem(0)->child(0);
    const QRect cell = tree().visualItemRect(music);
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(files().rowCount(), 3);
    EXPECT_EQ(listrows::rowBytes(files(), 0), tree_.drivePath("music/cover.jpg"));
    EXPECT_EQ(listrows::rowBytes(files(), 1), tree_.drivePath("music/album/one.mp3"));
    EXPECT_EQ(columnTexts(files(), 1),
              (QStringList{QStringLiteral("有副本"), QStringLiteral("有副本"),
                           QStringLiteral("有副本")}));
}

TEST_F(FolderSetsWindowTest, MenuOffersKeepingOnlyOnAFolderOfASet) {
    openPage();
    const auto enabled = [&](QTreeWidgetItem* item) {
        std::vector<bool> states;
        withMenuOn(item, [&](QMenu& menu) {
            states = {menu.findChild<QAction*>("showFolderAction")->isEnabled(),
                      menu.findChild<QAction*>("keepFolderAction")->isEnabled()};
            menu.close();
        });
        return states;
    };
    EXPECT_EQ(enabled(tree().topLevelItem(0)->child(1)), (std::vector<bool>{true, true}));
    EXPECT_EQ(enabled(tree().topLevelItem(0)), (std::vector<bool>{false, false}));
    EXPECT_EQ(enabled(tree().topLevelItem(1)), (std::vector<bool>{true, false}));
}

TEST_F(FolderSetsWindowTest, TrashKeepsTheChosenFolderAndMovesTheOtherWhole) {
    openPage();
    QTreeWidgetItem* keep = tree().topLevelItem(0)->child(1);  // usb/music
    QString question;
    uitest::withNextModal(
        [&] {
            withMenuOn(keep, [](QMenu& menu) {
                uitest::choose(menu, menu.findChild<QAction*>("keepFolderAction"));
            });
        },
        [&](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) question = box->text();
            dialog.findChild<QPushButton*>("folderTrashConfirmButton")->click();
        });
    EXPECT_TRUE(question.contains(folderPath("music"))) << question.toStdString();
    EXPECT_TRUE(question.contains(folderPath("usb/music"))) << question.toStdString();
    EXPECT_FALSE(std::filesystem::exists(tree_.native("music")));
    EXPECT_TRUE(std::filesystem::exists(tree_.native("usb/music/album/two.mp3")));
    // The page is found again: no set is left.
    waitForPage();
    ASSERT_GE(tree().topLevelItemCount(), 1);
    EXPECT_NE(tree().topLevelItem(0)->text(0), QStringLiteral("2 个相同文件夹"));
    window_.reset();
}

TEST_F(FolderSetsWindowTest, TrashRefusalNamesTheFirstDifference) {
    openPage();
    tree_.writeFile("music/album/three.mp3", "added after the analysis");
    QTreeWidgetItem* keep = tree().topLevelItem(0)->child(1);
    QString told;
    uitest::withNextModal(
        [&] {
            withMenuOn(keep, [](QMenu& menu) {
                uitest::choose(menu, menu.findChild<QAction*>("keepFolderAction"));
            });
        },
        [&](QDialog& confirmation) {
            uitest::withNextModal(
                [&] { confirmation.findChild<QPushButton*>("folderTrashConfirmButton")->click(); },
                [&](QDialog& shown) {
                    EXPECT_EQ(shown.objectName(), QStringLiteral("folderTrashRefusals"));
                    if (auto* box = qobject_cast<QMessageBox*>(&shown)) told = box->text();
                    shown.accept();
                });
        });
    EXPECT_TRUE(told.contains(QStringLiteral("分析后有增减或更改"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("three.mp3"))) << told.toStdString();
    EXPECT_TRUE(std::filesystem::exists(tree_.native("music/album/one.mp3")));
    window_.reset();
}

}  // namespace
