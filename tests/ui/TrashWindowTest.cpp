// SPDX-License-Identifier: MIT
// The file list's trash commands in the real window: offered only where the
// content check found another copy, confirmed by the user, and followed by
// the list showing what is left. The trash is the desktop's, in a data
// folder of the test's own.
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>

#include "WindowFixture.h"
#include "engine/ui/ListViewRows.h"
#include "util/platform/FileSystem.h"

namespace {

class TrashWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        useScratchTrash();
    }
    void open() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
        waitForContentCheck(*window_);
    }
    QTableWidget& groups() const { return *find<QTableWidget>(*window_, "groupList"); }
    QTableWidget& files() const { return *find<QTableWidget>(*window_, "fileList"); }
    int rowNamed(const QString& name) const {
        for (int row = 0; row < groups().rowCount(); ++row)
            if (groups().item(row, 3)->text() == name) return row;
        return -1;
    }
    // Opens the file list's menu on `row` and hands it to `inspect`.
    void withFileMenu(int row, const std::function<void(QMenu&)>& inspect) {
        const QRect cell = files().visualRect(files().model()->index(row, 0));
        uitest::withNextMenu([&] { emit files().customContextMenuRequested(cell.center()); },
                             inspect);
    }
    // The enabled state of the menu's commands, by object name, in order.
    std::vector<std::pair<QString, bool>> commandsOn(int row) {
        std::vector<std::pair<QString, bool>> commands;
        withFileMenu(row, [&](QMenu& menu) {
            for (QAction* action : menu.actions())
                if (!action->isSeparator())
                    commands.emplace_back(action->objectName(), action->isEnabled());
            menu.close();
        });
        return commands;
    }

    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(TrashWindowTest, TrashCommandsAreOfferedOnlyForCheckedCopies) {
    writeCopies({"a/twin.bin", "b/twin.bin"}, 9000, 't');
    tree_.writeFile("a/false.bin", std::string(9000, 'f'));
    std::string other(9000, 'f');
    other[500] = '#';  // between the fingerprint's samples
    tree_.writeFile("b/false.bin", other);
    open();

    clickRow(groups(), rowNamed("twin.bin"));
    ASSERT_EQ(files().rowCount(), 2);
    using Commands = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(commandsOn(0), (Commands{{"browseFolderAction", true},
                                       {"showInFolderAction", true},
                                       {"trashThisAction", true},
                                       {"keepThisAction", true}}));
    // Files that differ are no copies of each other: nothing to move.
    clickRow(groups(), rowNamed("false.bin"));
    ASSERT_EQ(files().rowCount(), 2);
    EXPECT_EQ(commandsOn(1), (Commands{{"browseFolderAction", true},
                                       {"showInFolderAction", true},
                                       {"trashThisAction", false},
                                       {"keepThisAction", false}}));
}

TEST_F(TrashWindowTest, TrashKeepsTheChosenFileAndMovesTheOtherCopiesAfterConfirmation) {
    writeCopies({"a/photo.jpg", "b/photo.jpg", "c/photo.jpg"}, 12000, 'p');
    open();
    clickRow(groups(), rowNamed("photo.jpg"));
    ASSERT_EQ(files().rowCount(), 3);
    const std::string kept = listrows::rowBytes(files(), 0);
    QString question;
    uitest::withNextModal(
        [&] {
            withFileMenu(0, [](QMenu& menu) {
                uitest::choose(menu, menu.findChild<QAction*>("keepThisAction"));
            });
        },
        [&](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog)) question = box->text();
            dialog.findChild<QPushButton*>("trashConfirmButton")->click();
        });
    // The confirmation named the files that go and the one that stays.
    EXPECT_TRUE(question.contains(QString::fromUtf8(kept.c_str())));
    EXPECT_EQ(question.count(QStringLiteral("photo.jpg")), 3);
    ASSERT_EQ(files().rowCount(), 1);
    EXPECT_EQ(listrows::rowBytes(files(), 0), kept);
    int present = 0;
    for (const char* path : {"a/photo.jpg", "b/photo.jpg", "c/photo.jpg"})
        present += platform::pathExists(tree_.drivePath(path)) ? 1 : 0;
    EXPECT_EQ(present, 1);
    EXPECT_EQ(groups().item(rowNamed("photo.jpg"), 1)->text(), QStringLiteral("1"));
    window_.reset();
}

TEST_F(TrashWindowTest, TrashMovesNothingWhenTheUserCancels) {
    writeCopies({"a/song.mp3", "b/song.mp3"}, 7000, 's');
    open();
    clickRow(groups(), rowNamed("song.mp3"));
    uitest::withNextModal(
        [&] {
            withFileMenu(1, [](QMenu& menu) {
                uitest::choose(menu, menu.findChild<QAction*>("trashThisAction"));
            });
        },
        [](QDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("a/song.mp3")));
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("b/song.mp3")));
    EXPECT_EQ(files().rowCount(), 2);
}

}  // namespace
