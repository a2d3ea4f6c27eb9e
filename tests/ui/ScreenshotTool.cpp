// SPDX-License-Identifier: MIT
// Takes the README's screenshots of the real windows over whatever drive map
// and profile the environment gives (scripts/screenshots.sh prepares a sample
// tree and runs this under Xvfb): the analysis dialog at the end of its run,
// the main window with each tab (the 重复文件夹 page too), the content
// check's states and classes, the ignored-folder manager, the About box, the
// scope dialog, and the clean-up dialog (with its summary after a run, when
// asked to move files).
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>
#include <string>

#include "UiTestSupport.h"
#include "app/AppResources.h"
#include "app/CAboutDlg.h"
#include "app/CCleanupDlg.h"
#include "app/CIgnoreFolderDlg.h"
#include "app/CQuorrelDlg.h"
#include "app/CScopeDlg.h"
#include "app/CSpaceDlg.h"
#include "app/CleanupPlanModel.h"
#include "app/SystemFontFaces.h"
#include "engine/ConfigInfo.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "engine/ui/ControlIds.h"
#include "results/ui/CFileTypeIcons.h"
#include "util/platform/ContentFile.h"
#include "util/platform/FileSystem.h"

namespace {

QString outputFolder;

void save(QWidget& window, const char* name) {
    QApplication::processEvents();
    const QString file = QDir(outputFolder).filePath(QString::fromLatin1(name));
    if (!window.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s\n", qPrintable(file));
}

void analyseAndShoot() {
    CFileAnalyseDlg analyse;
    analyse.show();
    uitest::waitUntil(
        [&] {
            return !analyse.isRunning() && analyse.control<QPushButton>(ids::kOk)->isEnabled() &&
                   analyse.control<QLineEdit>(ids::kAnalyseCount)->text() != "";
        },
        120000);
    save(analyse, "analysis-dialog.png");
}

void clickRow(QTableWidget& list, int row) {
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
}

// The row of the first group in `state` on the list page; -1 for none.
int rowInState(CQuorrelDlg& window, QTableWidget& groups, GroupState state) {
    for (int row = 0; row < groups.rowCount(); ++row) {
        const int group = groups.item(row, 0)->text().toInt();
        if (window.listPage().groupState(window.loader().GetFileInfo(group)[1]) == state)
            return row;
    }
    return -1;
}

// Once the content check is done: the list page with the groups' states and a
// partly identical group's file classes, then the same with the refuted
// groups hidden.
void shootContentCheck(CQuorrelDlg& window) {
    CContentCheckPanel& check = window.contentCheck();
    uitest::waitUntil(
        [&] { return !check.isRunning() || check.checkedGroups() == check.totalGroups(); }, 120000);
    auto* groups = window.findChild<QTableWidget*>("groupList");
    auto* files = window.findChild<QTableWidget*>("fileList");
    const int partly = rowInState(window, *groups, GroupState::Partly);
    if (partly >= 0) clickRow(*groups, partly);
    if (files->rowCount() > 0) clickRow(*files, 0);
    save(window, "main-window-check.png");
    auto* hide = window.findChild<QCheckBox*>("hideRefutedBox");
    hide->setChecked(true);
    save(window, "main-window-hide-refuted.png");
    hide->setChecked(false);
}

// The file list's menu on a copy of the group shown (a grab of the screen, as
// the menu is a window of its own), and the confirmation its trash command asks
// for, answered with 取消 so that nothing moves.
void shootTrashCommands(CQuorrelDlg& window) {
    auto* files = window.findChild<QTableWidget*>("fileList");
    if (files->rowCount() == 0) return;
    const QRect cell = files->visualRect(files->model()->index(0, 0));
    uitest::withNextMenu([&] { emit files->customContextMenuRequested(cell.center()); },
                         [&](QMenu& menu) {
                             QApplication::processEvents();
                             const QRect area = window.frameGeometry().united(menu.geometry());
                             const QPixmap shot = window.screen()->grabWindow(
                                 0, area.x(), area.y(), area.width(), area.height());
                             const QString file =
                                 QDir(outputFolder).filePath(QStringLiteral("file-menu.png"));
                             if (!shot.save(file)) std::fprintf(stderr, "cannot write menu\n");
                             std::printf("%s\n", qPrintable(file));
                             menu.close();
                         });
    uitest::withNextModal([&] { window.OnTrashCopies(0, true); },
                          [](QDialog& dialog) {
                              save(dialog, "trash-confirmation.png");
                              dialog.reject();
                          });
}

// 扫描范围 with two folders of the sample, the backup protected, the second
// row selected.
void shootScopeDialog(QWidget& owner) {
    AnalysisScope scope;
    scope.addFolder("C:\\照片\\", false);
    scope.addFolder("C:\\备份\\", true);
    scope.addFolder("C:\\Downloads\\", false);
    scope.setAcross(true);
    CScopeDlg dialog(scope, &owner);
    dialog.show();
    (void)QTest::qWaitForWindowExposed(&dialog);
    auto* folders = dialog.findChild<QTableWidget*>("folderTable");
    if (folders->rowCount() > 1) clickRow(*folders, 1);
    save(dialog, "scope-dialog.png");
}

// The 重复文件夹 page once it has found the folders, with the files of the
// first folder of the first set in the file list.
void shootFolderPage(CQuorrelDlg& window) {
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
    CFolderSetsPage& page = window.folderPage();
    uitest::waitUntil([&] { return page.isCurrent() && !page.isChecking(); }, 120000);
    QTreeWidget* tree = page.tree();
    if (tree->topLevelItemCount() > 0 && tree->topLevelItem(0)->childCount() > 0) {
        QTreeWidgetItem* folder = tree->topLevelItem(0)->child(0);
        tree->setCurrentItem(folder);
        folder->setSelected(true);
    }
    save(window, "main-window-folders.png");
}

// Rewrites one byte in the middle of the first copy the plan moves, its
// length kept, so the summary shows how the check right before the move
// refuses a file that changed.
void changeOneCopy(const CleanupPlanModel& model) {
    if (model.steps().empty() || model.steps()[0].moving.empty()) return;
    const CleanupStep& step = model.steps()[0];
    const CheckedFile& file = (*model.groups())[step.group].files[std::size_t(step.moving[0])];
    platform::FileStatus status;
    platform::FileError error;
    if (!platform::fileStatus(file.path(), status, error) || status.length == 0) return;
    std::fstream out(platform::toNativePath(file.path()),
                     std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(std::streamoff(status.length / 2));
    out.put('#');
}

// The clean-up dialog with the plan of the category shown; with `move`, its
// summary after the run too (one copy changed first, so one is refused).
void shootCleanup(CQuorrelDlg& window, bool move) {
    uitest::withNextModal([&] { window.OnCleanup(); },
                          [move](QDialog& shown) {
                              auto& dialog = static_cast<CCleanupDlg&>(shown);
                              uitest::waitUntil([&] { return !dialog.isBusy(); }, 120000);
                              auto* preview = dialog.findChild<QTableView*>("previewTable");
                              preview->selectRow(0);
                              save(dialog, "cleanup-dialog.png");
                              if (move) {
                                  changeOneCopy(*qobject_cast<CleanupPlanModel*>(preview->model()));
                                  dialog.findChild<QPushButton*>("trashButton")->click();
                                  uitest::waitUntil([&] { return !dialog.isBusy(); }, 120000);
                                  save(dialog, "cleanup-summary.png");
                              }
                              dialog.reject();
                          });
}

// 空间分布 opened by its button once the 重复文件夹 page confirmed the copies:
// the tree with the first drive's folders open and the treemap of its
// largest folder.
void shootSpaceView(CQuorrelDlg& window) {
    window.findChild<QPushButton*>("spaceButton")->click();
    CSpaceDlg* view = window.spaceView();
    uitest::waitUntil([&] { return !view->isLoading() && view->tree(); }, 120000);
    const std::vector<SpaceTree::Row> drives = view->tree()->children(SpaceTree::kTop);
    // The drive's largest scanned folder: the drive's own tile is mostly 未扫描.
    if (!drives.empty()) {
        const std::vector<SpaceTree::Row> rows = view->tree()->children(drives.front().id);
        view->zoomTo(rows.empty() ? drives.front().id : rows.front().id);
    }
    QApplication::processEvents();
    save(*view, "space-view.png");
    view->close();
}

void shootMainWindow(const std::string& browseTo, const std::string& ignore, bool move) {
    CQuorrelDlg window;
    window.show();
    uitest::waitUntil([&] { return !window.isStartupPending(); });
    QApplication::processEvents();
    auto* groups = window.findChild<QTableWidget*>("groupList");
    auto* files = window.findChild<QTableWidget*>("fileList");
    if (groups->rowCount() > 0) clickRow(*groups, 0);
    if (files->rowCount() > 0) clickRow(*files, 0);
    save(window, "main-window-list.png");
    shootContentCheck(window);
    shootTrashCommands(window);

    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(1);
    window.treePage().selectPath(browseTo);
    save(window, "main-window-tree.png");
    shootFolderPage(window);
    shootSpaceView(window);

    window.treePage().selectPath(ignore);
    window.treePage().OnIgnoreFolder();
    CIgnoreFolderDlg manager(&window);
    manager.m_owner = &window;
    manager.m_loader = &window.loader();
    manager.show();
    auto* ignored = manager.findChild<QTableWidget*>("ignoredList");
    if (ignored->rowCount() > 0) clickRow(*ignored, 0);
    save(manager, "ignored-folders.png");

    CAboutDlg about(&window);
    about.show();
    (void)QTest::qWaitForWindowExposed(&about);
    save(about, "about-box.png");
    about.close();

    shootScopeDialog(window);
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(0);
    shootCleanup(window, move);
}

}  // namespace

// Arguments: the output folder, the program-form path of a file to show in
// the tree, the program-form path of a folder to ignore, and "move" to let
// the clean-up move copies to the trash for its summary.
int main(int argc, char** argv) {
    const ConfigInfo& config = ConfigInfo::global();
    QApplication app(argc, argv);
    const bool move = argc == 5 && std::string(argv[4]) == "move";
    if ((argc != 4 && !move) || !config.isValid()) {
        std::fprintf(stderr,
                     "usage: lanbrook-screenshots OUTPUT-FOLDER FILE-TO-SHOW "
                     "FOLDER-TO-IGNORE [move]\n");
        return 2;
    }
    initAppResources();
    useSystemFontFaces();  // as the program does
    CFileTypeIcons::ensureIconTheme();
    outputFolder = QString::fromLocal8Bit(argv[1]);
    analyseAndShoot();
    shootMainWindow(argv[2], argv[3], move);
    return 0;
}
