// SPDX-License-Identifier: MIT
#include <QMenu>
#include <QTreeWidget>

#include "WindowFixture.h"
#include "engine/ConfigInfo.h"
#include "engine/ui/ItemBytes.h"
#include "storage/CFileInfoDB.h"

namespace {

class TreePageTest : public WindowFixture {
protected:
    void open() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
        window_->findChild<QTabWidget*>("tabs")->setCurrentIndex(1);
    }
    QTreeWidget& tree() const { return *window_->treePage().tree(); }
    QString field(const char* name) const {
        return find<QLineEdit>(window_->treePage(), name)->text();
    }
    static QStringList childTexts(const QTreeWidgetItem* item) {
        QStringList texts;
        for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
        return texts;
    }
    // The folder of this test's tree, selected and filled down from C:.
    QTreeWidgetItem* treeFolder() {
        window_->treePage().selectPath(tree_.drivePath(""));
        return tree().currentItem();
    }
    // Right-clicks `item`; returns whether the ignore item was enabled and
    // chooses it when `choose` is set.
    bool rightClick(QTreeWidgetItem* item, bool choose) {
        bool enabled = false;
        uitest::withNextMenu(
            [&] { emit tree().customContextMenuRequested(tree().visualItemRect(item).center()); },
            [&](QMenu& menu) {
                QAction* ignore = menu.findChild<QAction*>("ignoreFolderAction");
                enabled = ignore->isEnabled();
                if (choose && enabled)
                    uitest::choose(menu, ignore);
                else
                    menu.close();
            });
        return enabled;
    }
    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(TreePageTest, ARefreshShowsOnlyTheDrivesWithoutExpandButtons) {
    writeCopies({"a/x.txt", "b/x.txt"}, 10, 'x');
    open();
    ASSERT_EQ(tree().topLevelItemCount(), 1);
    QTreeWidgetItem* drive = tree().topLevelItem(0);
    EXPECT_EQ(drive->text(0), "C:");
    EXPECT_EQ(drive->childCount(), 0);
}

TEST_F(TreePageTest, SelectingAFolderFillsItOnceAndEmptiesTheFigures) {
    writeCopies({"a/x.txt", "b/x.txt"}, 10, 'x');
    open();
    QTreeWidgetItem* drive = tree().topLevelItem(0);
    tree().setCurrentItem(drive);
    const QStringList children = childTexts(drive);
    EXPECT_EQ(children, QStringList{QString::fromStdString(tree_.drivePath("")).mid(3)});
    tree().setCurrentItem(nullptr);
    tree().setCurrentItem(drive);
    EXPECT_EQ(childTexts(drive), children);
    EXPECT_EQ(field("pathField"), "C:");
    EXPECT_TRUE(field("copiesField").isEmpty());
    EXPECT_TRUE(field("sizeField").isEmpty());
}

TEST_F(TreePageTest, AFileOfAThreeCopyGroupShowsThreeAnd1536AndListsTheCopies) {
    writeCopies({"a/x.txt", "b/x.txt", "c/x.txt"}, 1536, 'x');
    open();
    window_->treePage().selectPath(tree_.drivePath("b/x.txt"));
    ASSERT_NE(tree().currentItem(), nullptr);
    EXPECT_EQ(tree().currentItem()->text(0), "x.txt");
    EXPECT_EQ(field("pathField"), QString::fromStdString(tree_.drivePath("b/x.txt")));
    EXPECT_EQ(field("copiesField"), "3");
    EXPECT_EQ(field("sizeField"), "1536");
    EXPECT_EQ(find<QTableWidget>(*window_, "fileList")->rowCount(), 3);
}

TEST_F(TreePageTest, SelectPathStopsAtAComponentThatDiffersInLetterCase) {
    writeCopies({"Data/x.txt", "b/x.txt"}, 10, 'x');
    open();
    window_->treePage().selectPath(tree_.drivePath("data/x.txt"));
    EXPECT_EQ(tree().currentItem(), nullptr);
    window_->treePage().selectPath("D:\\nothing.txt");  // a drive without files
    EXPECT_EQ(tree().currentItem(), nullptr);
    EXPECT_EQ(tree().topLevelItem(0)->childCount(), 1);  // C: was filled on the way, once
}

TEST_F(TreePageTest, TheIgnoreItemIsGreyOnFilesAndEnabledOnFoldersAndDrives) {
    writeCopies({"a/x.txt", "b/x.txt"}, 10, 'x');
    open();
    window_->treePage().selectPath(tree_.drivePath("a/x.txt"));
    QTreeWidgetItem* file = tree().currentItem();
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(rightClick(file, false));
    EXPECT_TRUE(rightClick(file->parent(), false));
    EXPECT_TRUE(rightClick(tree().topLevelItem(0), false));
}

TEST_F(TreePageTest, IgnoringAFolderRemovesItsFilesAndStoresIt) {
    writeCopies({"a/x.txt", "b/x.txt", "c/x.txt"}, 10, 'x');
    writeCopies({"a/y.txt", "b/y.txt"}, 20, 'y');
    open();
    window_->treePage().selectPath(tree_.drivePath("a"));
    ASSERT_NE(tree().currentItem(), nullptr);
    EXPECT_TRUE(rightClick(tree().currentItem(), true));

    EXPECT_EQ(ignoredFolders(), std::vector<std::string>{tree_.drivePath("a")});
    EXPECT_EQ(tree().topLevelItemCount(), 1);
    EXPECT_EQ(tree().topLevelItem(0)->childCount(), 0);  // back to the top level
    auto& groups = *find<QTableWidget>(*window_, "groupList");
    EXPECT_EQ(columnTexts(groups, 1), (QStringList{"2", "1"}));  // x.txt 3 -> 2, y.txt 2 -> 1
    window_->treePage().selectPath(tree_.drivePath("a/x.txt"));
    EXPECT_EQ(tree().currentItem(), nullptr);
}

TEST_F(TreePageTest, AnIgnoredFolderIsListedInTheManagerAndReleasedThere) {
    writeCopies({"a/x.txt", "b/x.txt"}, 10, 'x');
    open();
    window_->treePage().selectPath(tree_.drivePath("a"));
    ASSERT_TRUE(rightClick(tree().currentItem(), true));
    QStringList listed;
    uitest::withNextModal(
        [&] {
            QTest::mouseClick(find<QPushButton>(*window_, "ignoreManagerButton"), Qt::LeftButton);
        },
        [&](QDialog& manager) {
            auto* list = manager.findChild<QTableWidget*>("ignoredList");
            listed = columnTexts(*list, 0);
            clickRow(*list, 0);
            QTest::mouseClick(manager.findChild<QPushButton*>("releaseButton"), Qt::LeftButton);
            manager.accept();
        });
    EXPECT_EQ(listed, QStringList{QString::fromStdString(tree_.drivePath("a"))});
    EXPECT_TRUE(ignoredFolders().empty());
}

TEST_F(TreePageTest, AFolderNameThatIsNotUtf8CanBeBrowsedToAndIgnored) {
    const std::string odd = "bad\xff\xfe";
    writeCopies({odd + "/x.txt", "b/x.txt"}, 10, 'x');
    open();
    auto* files = find<QTableWidget>(*window_, "fileList");
    clickRow(*find<QTableWidget>(*window_, "groupList"), 0);
    ASSERT_EQ(files->rowCount(), 2);
    const std::string wanted = tree_.drivePath(odd + "/x.txt");
    window_->treePage().selectPath(wanted);
    ASSERT_NE(tree().currentItem(), nullptr);
    QTreeWidgetItem* folder = tree().currentItem()->parent();
    EXPECT_EQ(itembytes::fromBytes(folder->data(0, itembytes::kBytesRole).toByteArray()), odd);
    EXPECT_TRUE(rightClick(folder, true));
    EXPECT_EQ(ignoredFolders(), std::vector<std::string>{tree_.drivePath(odd)});
}

}  // namespace
