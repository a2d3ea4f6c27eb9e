// SPDX-License-Identifier: MIT
// The space view opened from the real main window over a real analysed tree:
// its folder rows and figures, the treemap's tiles, zooming in and out, the
// largest files, and the trash of an item (refused when the item changed
// after the analysis). The trash is the desktop's, in a data folder of the
// test's own.
#include <QCheckBox>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "WindowFixture.h"
#include "app/CSpaceDetails.h"
#include "app/CSpaceDlg.h"
#include "app/CSpaceTreeView.h"
#include "app/CTreemapWidget.h"
#include "engine/ui/ItemBytes.h"

namespace {

class SpaceViewWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        useScratchTrash();
        tree_.writeFile("big/a.bin", content(300000, 'a'));
        tree_.writeFile("big/b.bin", content(100000, 'b'));
        tree_.writeFile("big/deep/d.txt", content(20000, 'd'));
        tree_.writeFile("small/c.txt", content(1000, 'c'));
        tree_.writeFile("copies/a again.bin", content(300000, 'a'));
    }

    // Analyses, opens the main window and its 重复文件夹 page (whose check
    // confirms the copies) and opens the space view by its button.
    void openView() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
        find<QTabWidget>(*window_, "tabs")->setCurrentIndex(2);
        CFolderSetsPage& page = window_->folderPage();
        ASSERT_TRUE(uitest::waitUntil([&] { return page.isCurrent() && !page.isChecking(); }));
        find<QTabWidget>(*window_, "tabs")->setCurrentIndex(0);
        QTest::mouseClick(find<QPushButton>(*window_, "spaceButton"), Qt::LeftButton);
        ASSERT_NE(window_->spaceView(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_->spaceView()));
        waitForLoad();
    }

    void waitForLoad() const {
        ASSERT_TRUE(uitest::waitUntil([&] { return !view().isLoading() && view().tree(); }));
        QApplication::processEvents();
    }

    CSpaceDlg& view() const { return *window_->spaceView(); }
    CSpaceTreeView& rows() const { return *view().treeView(); }

    SpaceTree::NodeId node(const std::string& relative) const {
        return view().tree()->find(tree_.drivePath(relative) + "\\");
    }
    // The tree's row of the folder at `relative`, its rows above opened.
    QTreeWidgetItem* row(const std::string& relative) const {
        return rows().revealNode(node(relative));
    }
    static std::string pathOf(const QTreeWidgetItem* item) { return CSpaceTreeView::pathOf(item); }

    // The first tile of `kind` at `path` right under the node shown.
    const TreemapTile* tile(const std::string& path, TreemapTile::Kind kind) const {
        for (const TreemapTile& t : view().treemap()->tiles())
            if (t.depth == 0 && t.kind == kind && t.path == path) return &t;
        return nullptr;
    }

    // Opens the tree's menu on `item`, chooses 移到回收站 and hands the
    // confirmation to `confirm`.
    void trashRow(QTreeWidgetItem* item, const std::function<void(QDialog&)>& confirm) {
        rows().scrollToItem(item);
        const QRect cell = rows().visualItemRect(item);
        uitest::withNextModal(
            [&] {
                uitest::withNextMenu([&] { emit rows().customContextMenuRequested(cell.center()); },
                                     [](QMenu& menu) {
                                         uitest::choose(menu,
                                                        menu.findChild<QAction*>("trashAction"));
                                     });
            },
            confirm);
    }

    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(SpaceViewWindowTest, TreeShowsTheDriveWithItsUnscannedRowAndTheFoldersLargestFirst) {
    openView();
    ASSERT_GE(rows().topLevelItemCount(), 1);
    QTreeWidgetItem* drive = rows().topLevelItem(0);
    EXPECT_EQ(drive->text(CSpaceTreeView::kName), QStringLiteral("C:\\"));
    QTreeWidgetItem* last = drive->child(drive->childCount() - 1);
    EXPECT_EQ(last->text(CSpaceTreeView::kName), QStringLiteral("未扫描"));

    QTreeWidgetItem* top = row("");
    ASSERT_NE(top, nullptr);
    top->setExpanded(true);
    QStringList names;
    for (int i = 0; i < top->childCount(); ++i) names << top->child(i)->text(CSpaceTreeView::kName);
    // big (420000 bytes) before copies (300000) before small (1000).
    EXPECT_EQ(names, (QStringList{"big", "copies", "small"}));
    EXPECT_EQ(top->child(0)->text(CSpaceTreeView::kFiles), QStringLiteral("3"));
    EXPECT_EQ(top->child(2)->text(CSpaceTreeView::kFiles), QStringLiteral("1"));
}

TEST_F(SpaceViewWindowTest, FolderWhoseFilesAllHaveCopiesElsewhereIsMarked) {
    openView();
    EXPECT_EQ(row("copies")->text(CSpaceTreeView::kCopied), QStringLiteral("全部有副本"));
    // big holds the other copy of a.bin: 300000 of its 420000 bytes.
    EXPECT_EQ(row("big")->text(CSpaceTreeView::kCopied), QStringLiteral("293.0 KB (71%)"));
    EXPECT_EQ(row("small")->text(CSpaceTreeView::kCopied), QStringLiteral("0 字节 (0%)"));
}

TEST_F(SpaceViewWindowTest, SizeToggleSwitchesTheColumnToApparentSizes) {
    openView();
    QTreeWidgetItem* small = row("small");
    find<QCheckBox>(view(), "showSizes")->setChecked(true);
    EXPECT_EQ(rows().headerItem()->text(CSpaceTreeView::kBytes), QStringLiteral("大小"));
    EXPECT_EQ(small->text(CSpaceTreeView::kBytes), QStringLiteral("1000 字节"));
    find<QCheckBox>(view(), "showSizes")->setChecked(false);
    EXPECT_EQ(rows().headerItem()->text(CSpaceTreeView::kBytes), QStringLiteral("占用"));
}

TEST_F(SpaceViewWindowTest, TreemapOfASelectedFolderTilesItsWholeArea) {
    openView();
    rows().setCurrentItem(row(""));
    EXPECT_EQ(view().shownNode(), node(""));
    const CTreemapWidget& map = *view().treemap();
    double covered = 0;
    for (const TreemapTile& t : map.tiles())
        if (t.depth == 0) covered += t.rect.width() * t.rect.height();
    EXPECT_NEAR(covered, double(map.width()) * map.height(), 1.0);
    const TreemapTile* big = tile(tree_.drivePath("big") + "\\", TreemapTile::Kind::Folder);
    const TreemapTile* small = tile(tree_.drivePath("small") + "\\", TreemapTile::Kind::Folder);
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_GT(big->rect.width() * big->rect.height(),
              100 * small->rect.width() * small->rect.height());
    // The copied file inside big is marked as such, its twin b.bin is not.
    bool copiedMarked = false, plainMarked = false;
    for (const TreemapTile& t : map.tiles()) {
        if (t.path == tree_.drivePath("big/a.bin")) copiedMarked = t.copied;
        if (t.path == tree_.drivePath("big/b.bin")) plainMarked = t.copied;
    }
    EXPECT_TRUE(copiedMarked);
    EXPECT_FALSE(plainMarked);
}

TEST_F(SpaceViewWindowTest, DoubleClickZoomsInAndThePathBarZoomsOut) {
    openView();
    rows().setCurrentItem(row(""));
    CTreemapWidget& map = *view().treemap();
    const TreemapTile* big = tile(tree_.drivePath("big") + "\\", TreemapTile::Kind::Folder);
    ASSERT_NE(big, nullptr);
    const QPoint inBig = big->rect.topLeft().toPoint() + QPoint(2, 2);
    QTest::mouseClick(&map, Qt::LeftButton, {}, inBig);
    EXPECT_EQ(pathOf(rows().currentItem()), tree_.drivePath("big") + "\\");
    EXPECT_EQ(view().shownNode(), node(""));  // a click selects, it does not zoom
    QTest::mouseDClick(&map, Qt::LeftButton, {}, inBig);
    EXPECT_EQ(view().shownNode(), node("big"));
    EXPECT_NE(tile(tree_.drivePath("big/a.bin"), TreemapTile::Kind::File), nullptr);

    const QList<QToolButton*> crumbs = view().findChildren<QToolButton*>("pathButton");
    ASSERT_GE(crumbs.size(), 3);
    EXPECT_EQ(crumbs.first()->text(), QStringLiteral("全部"));
    EXPECT_FALSE(crumbs.last()->isEnabled());  // the folder shown
    QTest::mouseClick(crumbs[crumbs.size() - 2], Qt::LeftButton);
    EXPECT_EQ(view().shownNode(), node(""));
}

TEST_F(SpaceViewWindowTest, LargestFilesOfTheSelectedFolderComeBiggestFirst) {
    openView();
    rows().setCurrentItem(row("big"));
    QTreeWidget* files = view().details()->largestFiles();
    ASSERT_EQ(files->topLevelItemCount(), 3);
    EXPECT_EQ(files->topLevelItem(0)->text(0),
              QString::fromStdString(tree_.drivePath("big/a.bin")));
    EXPECT_EQ(files->topLevelItem(1)->text(0),
              QString::fromStdString(tree_.drivePath("big/b.bin")));
    EXPECT_EQ(files->topLevelItem(2)->text(0),
              QString::fromStdString(tree_.drivePath("big/deep/d.txt")));
}

TEST_F(SpaceViewWindowTest, TrashOfAFolderChangedAfterTheAnalysisIsRefused) {
    openView();
    tree_.writeFile("small/c.txt", content(1500, 'x'));
    QString told;
    trashRow(row("small"), [&](QDialog& confirmation) {
        EXPECT_EQ(confirmation.objectName(), QStringLiteral("spaceTrashConfirmation"));
        uitest::withNextModal(
            [&] {
                auto* box = qobject_cast<QMessageBox*>(&confirmation);
                box->button(QMessageBox::Yes)->click();
            },
            [&](QDialog& shown) {
                EXPECT_EQ(shown.objectName(), QStringLiteral("spaceTrashRefused"));
                if (auto* box = qobject_cast<QMessageBox*>(&shown)) told = box->text();
                shown.accept();
            });
    });
    EXPECT_TRUE(told.contains(QStringLiteral("仍在原处"))) << told.toStdString();
    EXPECT_TRUE(std::filesystem::exists(tree_.native("small/c.txt")));
    EXPECT_NE(row("small"), nullptr);
}

TEST_F(SpaceViewWindowTest, TrashMovesAnUnchangedFolderAfterNamingItsUncopiedBytes) {
    openView();
    QString question;
    trashRow(row("small"), [&](QDialog& confirmation) {
        auto* box = qobject_cast<QMessageBox*>(&confirmation);
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(question.contains(QString::fromStdString(tree_.drivePath("small") + "\\")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("在别处都没有副本"))) << question.toStdString();
    EXPECT_FALSE(std::filesystem::exists(tree_.native("small")));
    waitForLoad();
    EXPECT_EQ(node("small"), SpaceTree::kNoNode);
    QTreeWidgetItem* top = row("");
    for (int i = 0; i < top->childCount(); ++i)
        EXPECT_NE(top->child(i)->text(CSpaceTreeView::kName), QStringLiteral("small"));
}

TEST_F(SpaceViewWindowTest, ViewShowsTheTimeOfItsAnalysisAndReloadsAfterANewOne) {
    openView();
    const QString before = find<QLabel>(view(), "analysisTime")->text();
    EXPECT_TRUE(before.startsWith(QStringLiteral("分析时间：20"))) << before.toStdString();
    tree_.writeFile("new/n.bin", content(5000, 'n'));
    QTest::qWait(1100);  // a later second for the new analysis
    window_->RunAnalysis();
    waitForLoad();
    EXPECT_NE(node("new"), SpaceTree::kNoNode);
    EXPECT_NE(find<QLabel>(view(), "analysisTime")->text(), before);
}

}  // namespace
