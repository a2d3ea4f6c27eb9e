// SPDX-License-Identifier: MIT
// The file list's trash commands in the real window: offered only where the
// content check found another copy, confirmed by the user, and followed by
// the list showing what is left. The trash is the desktop's, in a data
// folder of the test's own.
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>
#include <functional>

#include "WindowFixture.h"
#include "engine/ui/ListViewRows.h"
#include "storage/CSqliteDB.h"
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

    // Chooses `command` on `row`, confirms, and returns the name and text of
    // the box shown after the move (empty when none is shown).
    // Chooses `command` on `row`, runs `whileAsked` while the confirmation is
    // shown, confirms, and returns the name and text of the box that follows.
    std::pair<QString, QString> confirmAndReadReport(int row, const char* command,
                                                     const std::function<void()>& whileAsked = {}) {
        std::pair<QString, QString> report;
        uitest::withNextModal(
            [&] {
                withFileMenu(row, [command](QMenu& menu) {
                    uitest::choose(menu, menu.findChild<QAction*>(command));
                });
            },
            [&](QDialog& confirmation) {
                if (whileAsked) whileAsked();
                uitest::withNextModal(
                    [&] { confirmation.findChild<QPushButton*>("trashConfirmButton")->click(); },
                    [&](QDialog& shown) {
                        report.first = shown.objectName();
                        if (auto* box = qobject_cast<QMessageBox*>(&shown))
                            report.second = box->text();
                        shown.accept();
                    });
            });
        return report;
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

// A copy rewritten after the check, its length and time kept: the bytes
// compared right before the move differ, and the user is told so by name.
TEST_F(TrashWindowTest, TrashRefusalNamesTheFileAndTheReason) {
    writeCopies({"a/doc.txt", "b/doc.txt"}, 6000, 'd');
    open();
    clickRow(groups(), rowNamed("doc.txt"));
    ASSERT_EQ(files().rowCount(), 2);
    const std::string going = listrows::rowBytes(files(), 1);
    const std::string relative = going == tree_.drivePath("a/doc.txt") ? "a/doc.txt" : "b/doc.txt";
    std::int64_t time = 0;
    ASSERT_TRUE(platform::modificationTime(going, time));
    std::string other = content(6000, 'd');
    other[3000] = '!';
    tree_.writeFile(relative, other);
    tree_.setModificationTime(relative, time);

    const QString told = confirmAndReadReport(1, "trashThisAction").second;
    EXPECT_TRUE(told.contains(QString::fromUtf8(going.c_str()))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("内容与要保留的文件不同"))) << told.toStdString();
    EXPECT_TRUE(platform::pathExists(going));
    window_.reset();
}

// The user confirmed, but the move cannot start: another program holds the
// database, so the content cache cannot be opened. The user is told which
// files did not move and why; nothing moves.
TEST_F(TrashWindowTest, TrashThatCannotStartTellsTheUserWhichFilesStayAndWhy) {
    writeCopies({"a/held.bin", "b/held.bin"}, 8000, 'h');
    open();
    clickRow(groups(), rowNamed("held.bin"));
    ASSERT_EQ(files().rowCount(), 2);
    const std::string going = listrows::rowBytes(files(), 1);
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(holder.open()) << holder.errorText();
    ASSERT_TRUE(holder.execute("PRAGMA busy_timeout = 10000"));
    // The lock is taken while the user is asked: the menu read the protected
    // folders, the move itself finds the database held.
    const auto [boxName, told] = confirmAndReadReport(1, "trashThisAction", [&] {
        EXPECT_TRUE(holder.execute("BEGIN EXCLUSIVE")) << holder.errorText();
    });
    EXPECT_TRUE(holder.execute("ROLLBACK")) << holder.errorText();

    EXPECT_EQ(boxName, QStringLiteral("trashRefusals"));
    EXPECT_TRUE(told.contains(QString::fromUtf8(going.c_str()))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("无法打开数据库中的内容缓存"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("locked"))) << told.toStdString();
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("a/held.bin")));
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("b/held.bin")));
    EXPECT_EQ(files().rowCount(), 2);
    window_.reset();
}

}  // namespace
