// SPDX-License-Identifier: MIT
// 批量清理 in the real window: the dialog's keep rules, range and preview,
// a file that stays chosen by hand, the run with its summary, the undo, and
// the list shown again afterwards. The trash is the desktop's, in a data
// folder of the test's own.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <cstdlib>
#include <functional>

#include "WindowFixture.h"
#include "app/CCleanupDlg.h"
#include "app/CleanupPlanModel.h"
#include "engine/AnalysisScope.h"
#include "util/platform/FileSystem.h"

namespace {

class CleanupWindowTest : public WindowFixture {
protected:
    // A trash of the test's own inside its tree: the analysis of the next
    // test never meets files this one moved.
    void SetUp() override {
        WindowFixture::SetUp();
        ::setenv("XDG_DATA_HOME", tree_.native("xdg-data").c_str(), 1);
    }

    // Three copies of a photo (the one in c/deep/er the oldest without a copy
    // mark) and two of a report, of sizes no other window test uses; the
    // window shown with every group checked.
    void openWindow(const char* category = "categoryAll") {
        const std::string photo = content(12345, 'P');
        for (const char* path : {"a/photo.jpg", "b/photo (1).jpg", "c/deep/er/photo.jpg"})
            tree_.writeFile(path, photo);
        tree_.setModificationTime("a/photo.jpg", 1700000300);
        tree_.setModificationTime("b/photo (1).jpg", 1700000100);
        tree_.setModificationTime("c/deep/er/photo.jpg", 1700000200);
        writeCopies({"x/report.txt", "y/report.txt"}, 5432, 'R');
        ignoreOtherTestsTrash();
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
        QTest::mouseClick(find<QRadioButton>(*window_, category), Qt::LeftButton);
        CContentCheckPanel& check = window_->contentCheck();
        ASSERT_TRUE(uitest::waitUntil(
            [&] { return check.checkedGroups() == check.totalGroups() && !check.isRunning(); }));
    }

    // The trash the other window tests share lies on the drive analysed:
    // the files they moved are no copies of this test's.
    static void ignoreOtherTestsTrash() {
        std::string shared;
        ASSERT_TRUE(platform::fromNativePath(testsupport::prepareScratchEnvironment() + "/xdg-data",
                                             shared));
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(database.open()) << database.errorText();
        ASSERT_TRUE(database.addIgnoredFolder(shared)) << database.errorText();
    }

    // Opens 批量清理 and hands the dialog to `inspect` once its plan is
    // ready; `inspect` closes it.
    void withDialog(const std::function<void(CCleanupDlg&)>& inspect) {
        uitest::withNextModal([&] { find<QPushButton>(*window_, "cleanupButton")->click(); },
                              [&](QDialog& shown) {
                                  auto& dialog = static_cast<CCleanupDlg&>(shown);
                                  EXPECT_TRUE(uitest::waitUntil([&] { return !dialog.isBusy(); }));
                                  inspect(dialog);
                              });
    }

    static QTableView& preview(CCleanupDlg& dialog) {
        return *find<QTableView>(dialog, "previewTable");
    }
    // The row whose files include one named `name`; -1 for none.
    static int rowOf(CCleanupDlg& dialog, const QString& name) {
        const QAbstractItemModel& model = *preview(dialog).model();
        for (int row = 0; row < model.rowCount(); ++row)
            for (const int column :
                 {CleanupPlanModel::kKeepColumn, CleanupPlanModel::kMovingColumn})
                if (model.index(row, column).data().toString().contains(name)) return row;
        return -1;
    }
    // The text of `column` in the row of the file named `name`.
    static QString cell(CCleanupDlg& dialog, const QString& name, int column) {
        const int row = rowOf(dialog, name);
        return row < 0 ? QStringLiteral("(no row of %1)").arg(name)
                       : preview(dialog).model()->index(row, column).data().toString();
    }
    QString keptIn(CCleanupDlg& dialog, const QString& name) const {
        return cell(dialog, name, CleanupPlanModel::kKeepColumn);
    }
    QString path(const char* relative) const {
        return QString::fromUtf8(tree_.drivePath(relative).c_str());
    }
    bool exists(const char* relative) const {
        return platform::pathExists(tree_.drivePath(relative));
    }

    // Chooses `file` as the file that stays of the row of `name` through the
    // preview's editor, as a user does: double click, then the list of files.
    void chooseKept(CCleanupDlg& dialog, const QString& name, const QString& file) {
        QTableView& view = preview(dialog);
        const int row = rowOf(dialog, name);
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex index = view.model()->index(row, CleanupPlanModel::kKeepColumn);
        const QPoint centre = view.visualRect(index).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centre);
        auto* files = view.findChild<QComboBox*>("keepFileChoice");
        ASSERT_NE(files, nullptr);
        const int wanted = files->findText(file);
        ASSERT_GE(wanted, 0) << file.toStdString();
        files->setFocus();
        const Qt::Key key = wanted > files->currentIndex() ? Qt::Key_Down : Qt::Key_Up;
        while (files->currentIndex() != wanted) QTest::keyClick(files, key);
        QApplication::processEvents();
    }

    // Clicks `button` of the dialog and waits until its work has ended.
    static void clickAndWait(CCleanupDlg& dialog, const char* button) {
        find<QPushButton>(dialog, button)->click();
        EXPECT_TRUE(uitest::waitUntil([&] { return !dialog.isBusy(); }, 60000));
    }
    static QString summary(CCleanupDlg& dialog) {
        return find<QPlainTextEdit>(dialog, "summaryText")->toPlainText();
    }

    QTableWidget& groups() const { return *find<QTableWidget>(*window_, "groupList"); }
    // The file count the list page shows for the group whose name holds
    // `part` (its name is that of the file the scan met first).
    QString countOf(const QString& part) const {
        for (int row = 0; row < groups().rowCount(); ++row)
            if (groups().item(row, 3)->text().contains(part)) return groups().item(row, 1)->text();
        return QString();
    }

    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(CleanupWindowTest, PreviewShowsTheFileThatStaysByTheRulesAndTheTotal) {
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        EXPECT_TRUE(dialog.isSizeGripEnabled());
        EXPECT_TRUE(find<QRadioButton>(dialog, "rangeCategory")->isChecked());
        EXPECT_FALSE(find<QRadioButton>(dialog, "rangeSelected")->isEnabled());  // none shown
        EXPECT_EQ(preview(dialog).model()->rowCount(), 2);
        // 文件名不带副本标记, then 修改时间最早.
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("c/deep/er/photo.jpg"));
        const QString moving = cell(dialog, "photo.jpg", CleanupPlanModel::kMovingColumn);
        EXPECT_EQ(moving.split(QStringLiteral("；")).size(), 2) << moving.toStdString();
        for (const char* goes : {"a/photo.jpg", "b/photo (1).jpg"})
            EXPECT_TRUE(moving.contains(path(goes))) << moving.toStdString();
        EXPECT_EQ(find<QPushButton>(dialog, "trashButton")->text(),
                  QStringLiteral("移到回收站 (3 个文件，29.42 K字节)"));
        EXPECT_TRUE(find<QLabel>(dialog, "totalLabel")->text().contains(QStringLiteral("共 2 组")));
        EXPECT_FALSE(find<QPushButton>(dialog, "undoButton")->isEnabled());
        dialog.reject();
    });
    for (const char* stays : {"a/photo.jpg", "b/photo (1).jpg", "c/deep/er/photo.jpg"})
        EXPECT_TRUE(exists(stays)) << stays;
}

TEST_F(CleanupWindowTest, FilesOfAProtectedFolderAlwaysStay) {
    {
        // Every drive is analysed still; folder a is protected.
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(database.open());
        AnalysisScope scope;
        scope.addFolder(tree_.drivePath("a") + "\\", true);
        scope.setWholeComputer(true);
        ASSERT_TRUE(scope.save(database, AnalysisScope::Stored::Chosen)) << database.errorText();
    }
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("a/photo.jpg"));
        // The user's choice keeps the protected file too: only b goes.
        chooseKept(dialog, "photo.jpg", path("c/deep/er/photo.jpg"));
        EXPECT_EQ(cell(dialog, "photo.jpg", CleanupPlanModel::kMovingColumn),
                  path("b/photo (1).jpg"));
        dialog.reject();
    });
}

TEST_F(CleanupWindowTest, KeepRulesAreAddedMovedAndRemovedAndThePreviewFollows) {
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        auto* kinds = find<QComboBox>(dialog, "keepRuleKinds");
        auto* rules = find<QListWidget>(dialog, "keepRuleList");
        kinds->setCurrentIndex(kinds->findText(QStringLiteral("修改时间最晚")));
        find<QPushButton>(dialog, "addRuleButton")->click();
        ASSERT_EQ(rules->count(), 3);
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("c/deep/er/photo.jpg"));  // still a tie-break
        // First of all: the newest file stays, copy mark or not.
        find<QPushButton>(dialog, "moveRuleUpButton")->click();
        find<QPushButton>(dialog, "moveRuleUpButton")->click();
        EXPECT_EQ(rules->item(0)->text(), QStringLiteral("1. 修改时间最晚"));
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("a/photo.jpg"));
        find<QPushButton>(dialog, "removeRuleButton")->click();
        EXPECT_EQ(rules->count(), 2);
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("c/deep/er/photo.jpg"));
        dialog.reject();
    });
}

TEST_F(CleanupWindowTest, EveryGroupIsCheckedByTheDialogWhereTheWindowHasNot) {
    openWindow("categoryPictures");  // the window's check covers the photos only
    withDialog([&](CCleanupDlg& dialog) {
        EXPECT_EQ(preview(dialog).model()->rowCount(), 1);
        find<QRadioButton>(dialog, "rangeEvery")->click();
        ASSERT_TRUE(uitest::waitUntil([&] { return !dialog.isBusy(); }));
        EXPECT_EQ(preview(dialog).model()->rowCount(), 2);
        EXPECT_EQ(keptIn(dialog, "report.txt"), path("x/report.txt"));
        EXPECT_EQ(find<QLabel>(dialog, "checkStatus")->text(), QStringLiteral("已核对 2 组。"));
        dialog.reject();
    });
}

TEST_F(CleanupWindowTest, TrashHonoursTheFileChosenByHandThenTheListIsShownAgain) {
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        chooseKept(dialog, "photo.jpg", path("b/photo (1).jpg"));
        EXPECT_EQ(keptIn(dialog, "photo.jpg"), path("b/photo (1).jpg"));
        clickAndWait(dialog, "trashButton");
        const QString told = summary(dialog);
        EXPECT_TRUE(told.startsWith(QStringLiteral("已移到回收站：3 个文件，释放 29.42 K字节。")))
            << told.toStdString();
        EXPECT_EQ(preview(dialog).model()->rowCount(), 0);  // the plan is spent
        EXPECT_TRUE(find<QPushButton>(dialog, "undoButton")->isEnabled());
        EXPECT_TRUE(dialog.changedFiles());
        // Planned again from the files as they are now: nothing is left to
        // move, though the window's own results still hold the moved copies.
        find<QRadioButton>(dialog, "rangeCategory")->click();
        ASSERT_TRUE(uitest::waitUntil([&] { return !dialog.isBusy(); }));
        EXPECT_EQ(preview(dialog).model()->rowCount(), 0);
        dialog.reject();
    });
    EXPECT_TRUE(exists("b/photo (1).jpg"));
    EXPECT_FALSE(exists("a/photo.jpg"));
    EXPECT_FALSE(exists("c/deep/er/photo.jpg"));
    EXPECT_NE(exists("x/report.txt"), exists("y/report.txt"));
    EXPECT_EQ(countOf("photo"), QStringLiteral("1"));
    window_.reset();
}

TEST_F(CleanupWindowTest, TrashRefusesAFileChangedAfterThePreviewAndListsItWithItsReason) {
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        ASSERT_EQ(keptIn(dialog, "photo.jpg"), path("c/deep/er/photo.jpg"));
        // Rewritten while the preview is shown: of the same length, but no
        // longer what the check found.
        tree_.writeFile("a/photo.jpg", content(12345, 'Q'));
        tree_.setModificationTime("a/photo.jpg", 1700000400);
        clickAndWait(dialog, "trashButton");
        const QString told = summary(dialog);
        EXPECT_TRUE(told.startsWith(QStringLiteral("已移到回收站：2 个文件")))
            << told.toStdString();
        EXPECT_TRUE(told.contains(QStringLiteral("未移动（1 个文件，仍在原处）：\n    ") +
                                  path("a/photo.jpg") +
                                  QStringLiteral("\n        分析后或核对期间已更改")))
            << told.toStdString();
        dialog.reject();
    });
    QFile changed(QString::fromStdString(tree_.native("a/photo.jpg")));
    ASSERT_TRUE(changed.open(QIODevice::ReadOnly));
    EXPECT_EQ(changed.readAll().toStdString(), content(12345, 'Q'));
    EXPECT_FALSE(exists("b/photo (1).jpg"));
    EXPECT_TRUE(exists("c/deep/er/photo.jpg"));
    window_.reset();
}

TEST_F(CleanupWindowTest, TrashUndoPutsTheFilesBackAndTheirGroupsReturn) {
    openWindow();
    withDialog([&](CCleanupDlg& dialog) {
        clickAndWait(dialog, "trashButton");
        ASSERT_FALSE(exists("a/photo.jpg"));
        // One place is taken again before the undo: that file stays in the trash.
        tree_.writeFile("a/photo.jpg", "a new file where the copy was");
        clickAndWait(dialog, "undoButton");
        const QString told = summary(dialog);
        EXPECT_TRUE(told.startsWith(QStringLiteral("已还原 2 个文件。"))) << told.toStdString();
        EXPECT_TRUE(told.contains(path("a/photo.jpg") + QStringLiteral("\n        原位置已有文件")))
            << told.toStdString();
        EXPECT_TRUE(find<QPushButton>(dialog, "undoButton")->isEnabled());  // one is left
        dialog.reject();
    });
    EXPECT_TRUE(exists("b/photo (1).jpg"));
    EXPECT_TRUE(exists("x/report.txt") && exists("y/report.txt"));
    // Rows of the files put back are in the index at once.
    EXPECT_EQ(countOf("photo"), QStringLiteral("2"));
    EXPECT_EQ(countOf("report"), QStringLiteral("2"));
    window_.reset();
}

}  // namespace
