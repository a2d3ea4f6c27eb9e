// SPDX-License-Identifier: MIT
// 扫描范围 in the real window: the dialog's widgets, the button beside the
// file list's caption, an analysis of the folders chosen there, and the trash
// commands that never offer a file of a protected folder.
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>

#include <cstdlib>

#include "WindowFixture.h"
#include "app/CScopeDlg.h"
#include "engine/AnalysisScope.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "engine/ui/DialogTemplate.h"
#include "engine/ui/ListViewRows.h"

namespace {

class ScopeWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        useScratchTrash();
    }

    static QTableWidget& table(const CScopeDlg& dialog) {
        return *find<QTableWidget>(dialog, "folderTable");
    }
    QString native(const std::string& relative) const {
        return QString::fromLocal8Bit(tree_.native(relative).c_str());
    }
    static AnalysisScope stored(AnalysisScope::Stored which) {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        AnalysisScope scope;
        EXPECT_TRUE(db.open());
        EXPECT_TRUE(db.execute("PRAGMA busy_timeout = 10000"));
        EXPECT_TRUE(scope.load(db, which));
        return scope;
    }
    static void store(const AnalysisScope& scope) {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(scope.save(db, AnalysisScope::Stored::Chosen));
    }
    QTableWidget& groups() const { return *find<QTableWidget>(*window_, "groupList"); }
    // The count column of the group named `name`; empty when none is listed.
    QString countOf(const QString& name) const {
        for (int row = 0; row < groups().rowCount(); ++row)
            if (groups().item(row, 3)->text() == name) return groups().item(row, 1)->text();
        return QString();
    }
    QTableWidget& files() const { return *find<QTableWidget>(*window_, "fileList"); }

    std::unique_ptr<CQuorrelDlg> window_;
};

}  // namespace

TEST_F(ScopeWindowTest, TheDialogListsAddsMarksAndRemovesFolders) {
    tree_.makeFolder("pics/2020");
    CScopeDlg dialog{AnalysisScope()};
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("扫描范围"));
    EXPECT_NE(dialog.minimumSize(), dialog.maximumSize()) << "a window that can be resized";
    EXPECT_EQ(table(dialog).horizontalHeaderItem(1)->text(),
              QString::fromUtf8(CScopeDlg::kProtectText));
    auto* remove = find<QPushButton>(dialog, "removeFolderButton");
    auto* across = find<QCheckBox>(dialog, "acrossBox");
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(across->isEnabled()) << "every drive: nothing to match across";

    QString reason;
    ASSERT_TRUE(dialog.addNativeFolder(native("pics"), reason)) << reason.toStdString();
    ASSERT_TRUE(dialog.addNativeFolder(native("pics/2020/../"), reason));
    ASSERT_EQ(table(dialog).rowCount(), 1) << "one folder, however it is spelled";
    EXPECT_EQ(listrows::rowBytes(table(dialog), 0), tree_.drivePath("pics") + "\\");
    EXPECT_TRUE(across->isEnabled());
    EXPECT_FALSE(dialog.addNativeFolder(native("missing"), reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(table(dialog).rowCount(), 1);

    table(dialog).item(0, 1)->setCheckState(Qt::Checked);
    ASSERT_EQ(dialog.scope().folders().size(), 1u);
    EXPECT_TRUE(dialog.scope().folders()[0].isProtected);
    find<QCheckBox>(dialog, "wholeComputerBox")->setChecked(true);
    EXPECT_TRUE(dialog.scope().wholeComputer());
    EXPECT_FALSE(across->isEnabled());
    EXPECT_TRUE(dialog.scope().isProtected(tree_.drivePath("pics") + "\\a.jpg"))
        << "the whole computer keeps the marks";

    clickRow(table(dialog), 0);
    ASSERT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_EQ(table(dialog).rowCount(), 0);
    EXPECT_TRUE(dialog.scope().folders().empty());
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(ScopeWindowTest, TheButtonStandsWhereNoControlOfTheWindowStands) {
    analyse();
    window_ = std::make_unique<CQuorrelDlg>();
    showAndSettle(*window_);
    auto* button = find<QPushButton>(*window_, "scopeButton");
    EXPECT_EQ(button->text(), QString::fromUtf8("扫描范围"));
    EXPECT_TRUE(button->isVisible());
    EXPECT_TRUE(window_->rect().contains(button->geometry()));
    // No control of the template, nor the content check's figures, meets it.
    const DialogTemplate& layout = CQuorrelDlg::dialogTemplate();
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const ControlTemplate& c = layout.controls[i];
        const QRect placed =
            DialogTemplateBuilder::toPixels(window_->font(), c.x, c.y, c.width, c.height);
        EXPECT_FALSE(placed.intersects(button->geometry())) << c.objectName;
    }
    EXPECT_FALSE(
        find<QLabel>(*window_, "confirmedBytes")->geometry().intersects(button->geometry()));
    // Its text fits.
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width());
}

TEST_F(ScopeWindowTest, ChoosingFoldersAndAnalysingAtOnceShowsTheirFilesOnly) {
    writeCopies({"pics/a.jpg", "usb/a.jpg", "out/a.jpg"}, 6000, 'a');
    writeCopies({"out/b.jpg", "out/old/b.jpg"}, 5000, 'b');
    analyse();
    window_ = std::make_unique<CQuorrelDlg>();
    showAndSettle(*window_);
    ASSERT_EQ(countOf("a.jpg"), QStringLiteral("3"));

    uitest::withNextModal([&] { find<QPushButton>(*window_, "scopeButton")->click(); },
                          [&](QDialog& dialog) {
                              auto& scope = dynamic_cast<CScopeDlg&>(dialog);
                              QString reason;
                              EXPECT_TRUE(scope.addNativeFolder(native("pics"), reason));
                              EXPECT_TRUE(scope.addNativeFolder(native("usb"), reason));
                              table(scope).item(1, 1)->setCheckState(Qt::Checked);
                              // The question comes once this dialog is accepted.
                              uitest::withNextModal(
                                  [&] { dialog.accept(); },
                                  [](QDialog& question) {
                                      question.findChild<QPushButton*>("analyseNowButton")->click();
                                  });
                          });
    ASSERT_TRUE(uitest::waitUntil([&] { return groups().rowCount() == 1; })) << groups().rowCount();
    EXPECT_EQ(groups().item(0, 1)->text(), QStringLiteral("2"));
    clickRow(groups(), 0);
    QStringList shown = columnTexts(files(), 0);
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QString::fromLocal8Bit(tree_.drivePath("pics/a.jpg").c_str()),
                                  QString::fromLocal8Bit(tree_.drivePath("usb/a.jpg").c_str())}));
    const AnalysisScope chosen = stored(AnalysisScope::Stored::Chosen);
    ASSERT_EQ(chosen.folders().size(), 2u);
    EXPECT_TRUE(chosen.isProtected(tree_.drivePath("usb/a.jpg")));
    EXPECT_TRUE(stored(AnalysisScope::Stored::Analysed) == chosen);
}

TEST_F(ScopeWindowTest, LaterKeepsTheResultShownUntilTheNextAnalysis) {
    writeCopies({"pics/a.jpg", "out/a.jpg"}, 6000, 'a');
    analyse();
    window_ = std::make_unique<CQuorrelDlg>();
    showAndSettle(*window_);
    uitest::withNextModal(
        [&] { find<QPushButton>(*window_, "scopeButton")->click(); },
        [&](QDialog& dialog) {
            QString reason;
            EXPECT_TRUE(dynamic_cast<CScopeDlg&>(dialog).addNativeFolder(native("pics"), reason));
            uitest::withNextModal([&] { dialog.accept(); },
                                  [](QDialog& question) {
                                      question.findChild<QPushButton*>("laterButton")->click();
                                  });
        });
    EXPECT_EQ(stored(AnalysisScope::Stored::Chosen).folders().size(), 1u);
    EXPECT_TRUE(stored(AnalysisScope::Stored::Analysed).coversEveryDrive());
    EXPECT_EQ(countOf("a.jpg"), QStringLiteral("2")) << "out/a.jpg still counts";
}

TEST_F(ScopeWindowTest, AFileInAProtectedFolderIsNeverOfferedAndStaysInstead) {
    writeCopies({"work/photo.jpg", "archive/photo.jpg"}, 9000, 'p');
    AnalysisScope scope;
    scope.addFolder(tree_.drivePath("work"), false);
    scope.addFolder(tree_.drivePath("archive"), true);
    store(scope);
    analyse();
    window_ = std::make_unique<CQuorrelDlg>();
    showAndSettle(*window_);
    waitForContentCheck(*window_);
    clickRow(groups(), 0);
    ASSERT_EQ(files().rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        const bool inArchive =
            listrows::rowBytes(files(), row).rfind(tree_.drivePath("archive"), 0) == 0;
        const QRect cell = files().visualRect(files().model()->index(row, 0));
        uitest::withNextMenu(
            [&] { emit files().customContextMenuRequested(cell.center()); },
            [&](QMenu& menu) {
                // The protected file never goes; the other may, keeping it.
                EXPECT_EQ(menu.findChild<QAction*>("trashThisAction")->isEnabled(), !inArchive);
                EXPECT_EQ(menu.findChild<QAction*>("keepThisAction")->isEnabled(), inArchive);
                menu.close();
            });
    }
}

TEST_F(ScopeWindowTest, TheAnalysisDialogShowsAndWalksTheChosenFolders) {
    writeCopies({"pics/a.jpg", "out/a.jpg"}, 6000, 'a');
    AnalysisScope scope;
    scope.addFolder(tree_.drivePath("pics"), false);
    store(scope);
    CFileAnalyseDlg dialog;
    dialog.closeWhenDone = true;
    QString shown;
    uitest::withNextModal(
        [&] { dialog.exec(); },
        [&](QDialog&) { shown = dialog.findChild<QLineEdit*>("drivesField")->text(); });
    EXPECT_EQ(shown, "[" + QString::fromLocal8Bit(tree_.drivePath("pics").c_str()) + "\\]  ");
    EXPECT_TRUE(stored(AnalysisScope::Stored::Analysed) == scope);
}
