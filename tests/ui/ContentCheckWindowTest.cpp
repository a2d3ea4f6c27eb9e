// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>

#include <filesystem>

#include "WindowFixture.h"
#include "engine/ConfigInfo.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "results/ui/CAnalyseListDlg.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"

namespace {

// The window's background content check over real analyses of temporary
// trees: what the list page, the file list and the figures show, and that
// the check gives way to the window's own work.
class ContentCheckWindowTest : public WindowFixture {
protected:
    void open() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
    }
    QTableWidget& groups() const { return *find<QTableWidget>(*window_, "groupList"); }
    QTableWidget& files() const { return *find<QTableWidget>(*window_, "fileList"); }
    QCheckBox& hideBox() const { return *find<QCheckBox>(*window_, "hideRefutedBox"); }
    std::string maskOfRow(int row) const {
        const int group = groups().item(row, 0)->text().toInt();
        return window_->loader().GetFileInfo(group)[1];
    }
    GroupState stateOfRow(int row) const { return window_->listPage().groupState(maskOfRow(row)); }
    bool waitForAllChecked() const {
        CContentCheckPanel& check = window_->contentCheck();
        return uitest::waitUntil(
            [&] { return check.checkedGroups() == check.totalGroups() && !check.isRunning(); });
    }
    // 9000 bytes of `fill`; with `flip`, byte 500 (between two of the
    // fingerprint's samples) differs, so the fingerprint cannot tell.
    static std::string block(char fill, bool flip = false) {
        std::string bytes(9000, fill);
        if (flip) bytes[500] = '#';
        return bytes;
    }
    void writePair(const std::string& name, char fill, bool differ) const {
        tree_.writeFile("a/" + name, block(fill));
        tree_.writeFile("b/" + name, block(fill, differ));
    }
    // Two sparse files of zeros whose whole reading takes long: the top group.
    void writeHugePair() const {
        for (const char* path : {"x/huge.img", "y/huge.img"}) {
            tree_.writeFile(path, "");
            std::filesystem::resize_file(tree_.native(path), std::uintmax_t(67)
                                                                 << 30);  // not a multiple of 4 GiB
        }
    }
    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(ContentCheckWindowTest, StatesAndClassesAppearForATruePairAndAFalsePair) {
    writePair("true.bin", 't', false);
    writePair("false.bin", 'f', true);
    open();
    ASSERT_TRUE(waitForAllChecked());
    ASSERT_EQ(groups().rowCount(), 2);
    const int trueRow = groups().item(0, 3)->text() == "true.bin" ? 0 : 1;
    const int falseRow = 1 - trueRow;
    EXPECT_EQ(stateOfRow(trueRow), GroupState::Confirmed);
    EXPECT_EQ(stateOfRow(falseRow), GroupState::Refuted);
    // Told apart at a glance: an icon each, and different row colours.
    EXPECT_FALSE(groups().item(trueRow, 3)->icon().isNull());
    EXPECT_FALSE(groups().item(falseRow, 3)->icon().isNull());
    EXPECT_NE(groups().item(trueRow, 2)->background().color(),
              groups().item(falseRow, 2)->background().color());
    EXPECT_TRUE(groups().item(falseRow, 3)->toolTip().contains(QString::fromUtf8("不是重复文件")));
    // The specified texts stay.
    EXPECT_EQ(columnTexts(groups(), 1), (QStringList{"2", "2"}));

    clickRow(groups(), trueRow);
    ASSERT_EQ(files().rowCount(), 2);
    EXPECT_EQ(columnTexts(files(), 1),
              (QStringList{QString::fromUtf8("副本 1"), QString::fromUtf8("副本 1")}));
    clickRow(groups(), falseRow);
    EXPECT_EQ(columnTexts(files(), 1),
              (QStringList{QString::fromUtf8("唯一"), QString::fromUtf8("唯一")}));

    char size[32];
    FileUtility::formatSize(size, 9000);  // one extra copy of the true pair
    EXPECT_EQ(find<QLabel>(*window_, "confirmedBytes")->text(),
              QString::fromUtf8("已确认重复 %1字节").arg(QLatin1String(size)));
}

TEST_F(ContentCheckWindowTest, ACheckThatCannotRunSaysWhy) {
    writePair("pair.bin", 'p', false);
    analyse();
    // Another program writes the database all along: the first check cannot
    // make its tables (it waits a few seconds for the lock, then gives up).
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.execute("BEGIN IMMEDIATE"));
    window_ = std::make_unique<CQuorrelDlg>();
    showAndSettle(*window_);
    ASSERT_EQ(groups().rowCount(), 1);
    CContentCheckPanel& check = window_->contentCheck();
    ASSERT_TRUE(uitest::waitUntil([&] { return !check.isRunning(); }));
    const QString text = find<QLabel>(*window_, "confirmedBytes")->text();
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("无法核对内容："))) << text.toStdString();
    EXPECT_TRUE(text.contains("locked")) << text.toStdString();
    EXPECT_EQ(check.checkedGroups(), 0);
    ASSERT_TRUE(holder.execute("ROLLBACK"));
}

TEST_F(ContentCheckWindowTest, ASelectedLowerGroupIsCheckedBeforeTheRest) {
    writeHugePair();
    writePair("one.bin", 'o', false);
    tree_.writeFile("a/two.bin", std::string(300, 'w'));
    tree_.writeFile("b/two.bin", std::string(300, 'w'));
    open();
    ASSERT_EQ(groups().rowCount(), 3);
    ASSERT_EQ(groups().item(0, 3)->text(), "huge.img");
    clickRow(groups(), 2);
    ASSERT_TRUE(uitest::waitUntil([&] { return stateOfRow(2) != GroupState::Unchecked; }));
    EXPECT_EQ(stateOfRow(2), GroupState::Confirmed);
    EXPECT_EQ(stateOfRow(1), GroupState::Unchecked);  // waits behind the huge pair
    EXPECT_EQ(columnTexts(files(), 1),
              (QStringList{QString::fromUtf8("副本 1"), QString::fromUtf8("副本 1")}));
    EXPECT_TRUE(find<QLabel>(*window_, "confirmedBytes")
                    ->text()
                    .contains(QString::fromUtf8("正在核对 1/3")));
    window_.reset();  // stops and joins the check of the huge pair
}

TEST_F(ContentCheckWindowTest, TheHideBoxHidesRefutedGroupsAndUncheckingRestoresTheList) {
    writePair("false1.bin", 'f', true);
    writePair("false2.bin", 'g', true);
    for (int i = 0; i < 26; ++i)
        writeCopies({"a/c" + std::to_string(i), "b/c" + std::to_string(i)}, 20 + i, char('A' + i));
    open();
    const QString status = find<QLabel>(*window_, "statusLine")->text();
    const QStringList before = columnTexts(groups(), 0);
    EXPECT_FALSE(hideBox().isChecked());
    EXPECT_TRUE(status.startsWith(QString::fromUtf8("共2页，")));
    ASSERT_TRUE(waitForAllChecked());

    hideBox().click();
    // 26 groups left: one page, the refuted 0 and 1 gone.
    EXPECT_TRUE(
        find<QLabel>(*window_, "statusLine")->text().startsWith(QString::fromUtf8("共1页，")));
    ASSERT_EQ(groups().rowCount(), 26);
    EXPECT_EQ(groups().item(0, 0)->text(), "2");
    for (int row = 0; row < groups().rowCount(); ++row)
        EXPECT_EQ(stateOfRow(row), GroupState::Confirmed) << row;

    hideBox().click();
    EXPECT_EQ(find<QLabel>(*window_, "statusLine")->text(), status);
    EXPECT_EQ(columnTexts(groups(), 0), before);
}

TEST_F(ContentCheckWindowTest, ReanalysisAndACategoryChangeStopTheCheckOfAHugePair) {
    writeHugePair();
    open();
    ASSERT_TRUE(window_->contentCheck().isRunning());
    const std::string huge = maskOfRow(0);
    bool joinedDuringAnalysis = false;
    GroupState stateDuringAnalysis = GroupState::Confirmed;
    uitest::withNextModal(
        [&] { QTest::mouseClick(find<QPushButton>(*window_, "analyseButton"), Qt::LeftButton); },
        [&](QDialog& dialog) {
            EXPECT_NE(qobject_cast<CFileAnalyseDlg*>(&dialog), nullptr);
            joinedDuringAnalysis = !window_->contentCheck().isRunning();
            stateDuringAnalysis = window_->listPage().groupState(huge);
        });
    EXPECT_TRUE(joinedDuringAnalysis);
    EXPECT_EQ(stateDuringAnalysis, GroupState::Unchecked);
    EXPECT_TRUE(window_->contentCheck().isRunning());  // started again after the refresh

    find<QRadioButton>(*window_, "categoryOther")->click();
    EXPECT_EQ(window_->listPage().groupState(huge), GroupState::Unchecked);
    EXPECT_EQ(window_->contentCheck().checkedGroups(), 0);
    window_.reset();
}

TEST_F(ContentCheckWindowTest, IgnoringAFolderWhileTheCheckRunsSucceeds) {
    writeHugePair();
    writePair("z.bin", 'z', false);
    open();
    ASSERT_TRUE(window_->contentCheck().isRunning());
    window_->findChild<QTabWidget*>("tabs")->setCurrentIndex(1);
    window_->treePage().selectPath(tree_.drivePath("a"));
    QTreeWidget& tree = *window_->treePage().tree();
    ASSERT_NE(tree.currentItem(), nullptr);
    uitest::withNextMenu(
        [&] {
            emit tree.customContextMenuRequested(tree.visualItemRect(tree.currentItem()).center());
        },
        [&](QMenu& menu) { uitest::choose(menu, menu.findChild<QAction*>("ignoreFolderAction")); });
    EXPECT_EQ(ignoredFolders(), std::vector<std::string>{tree_.drivePath("a")});
    EXPECT_EQ(columnTexts(groups(), 1), (QStringList{"2", "1"}));
    window_.reset();
}

}  // namespace
