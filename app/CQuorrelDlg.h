// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>

#include <memory>
#include <string>

#include "app/CContentCheckPanel.h"
#include "app/CFolderSetsPage.h"
#include "engine/ui/CTemplateDialog.h"
#include "results/FileInfoLoader.h"
#include "results/ui/CAnalyseListDlg.h"
#include "results/ui/CTreeViewDlg.h"
#include "results/ui/IResultViewOwner.h"
#include "util/ShellUtility.h"

class CSpaceDlg;
class QButtonGroup;
class QItemSelection;
class QMenu;
class QPoint;
class QProgressBar;
class QTabWidget;
class QTableWidget;

// The main window (template 102). It owns the result loader and both tab
// pages; eleven radio buttons choose the category, list 1001 shows the files
// of the selected group, 打开 opens the selected one with its associated
// program, and the bar shows the category's duplicate ratio. 150 ms after it
// is first shown it loads category 0 when a usable database exists, and runs
// an analysis first otherwise. Enter presses 退出; 退出 and Escape end it.
//
// After every category refresh a background check confirms the groups by
// their content (CContentCheckPanel); it is stopped and joined before an
// analysis, before the ignore action rebuilds the index, on a category
// change and when the window goes.
//
// A third tab page, 重复文件夹 (CFolderSetsPage), shows identical and
// redundant folders; it finds them when it is shown, and shows a folder's
// files in list 1001.
//
// 空间分布 beside 扫描范围 opens the space view (CSpaceDlg), a window of its
// own; it reads the analysis again after 重新分析 and after every move.
class CQuorrelDlg : public CTemplateDialog, public IResultViewOwner {
    Q_OBJECT
public:
    explicit CQuorrelDlg(QWidget* parent = nullptr);
    ~CQuorrelDlg() override;

    void RefreshCategory(int code) override;
    void ShowFileList(const std::string& mask) override;
    void ShowDuplicateRatio(int permille) override;
    int currentCategory() const override { return m_category; }
    void StopContentCheck() override;

    void RunAnalysis();
    // Shows the file of `row` in the path box and arms 打开 when the file has
    // an open command; with `open`, opens it at once. A negative row does nothing.
    void SelectFileItem(int row, bool open);
    // The handler of menu command 32772: the selected file in the folder tree.
    void OnBrowseFolder();
    // Shows the file of `row` selected in the desktop's file manager.
    void OnShowInFolder(int row);
    // The trash commands of the file list on the file of `row`: moves it, or
    // with `keepThis` the other copies of its content, after the user
    // confirms; then rebuilds the index and shows what is left, on the same
    // list page where it still exists.
    void OnTrashCopies(int row, bool keepThis);
    void OnAbout();
    void OnIgnoreManager();
    // 扫描范围: edits the chosen scope; when the folders changed, offers to
    // analyse at once.
    void OnScope();
    // Fills list 1001 with the files of a folder of the 重复文件夹 page, each
    // with what is known of its content in the second column.
    // 空间分布: shows the space view, reading the analysis when first opened.
    void OnSpaceView();
    CSpaceDlg* spaceView() const { return m_spaceDlg.get(); }
    void ShowFolderFiles(const std::vector<std::pair<std::string, QString>>& files);
    // 批量清理: the clean-up dialog over the checked groups; after files
    // moved or came back, rebuilds the index and shows the category again,
    // on the same list page.
    void OnCleanup();

    // The category code of a radio button's control number; -1 for none.
    static int categoryOfButton(int controlId);

    // True until the start-up decision has run, 150 ms after the first show.
    bool isStartupPending() const { return m_startupTimer.isActive(); }
    CAnalyseListDlg& listPage() { return m_listPage; }
    CTreeViewDlg& treePage() { return m_treePage; }
    FileInfoLoader& loader() { return m_loader; }
    CContentCheckPanel& contentCheck() { return *m_contentCheck; }
    CFolderSetsPage& folderPage() { return *m_folderPage; }

    static const DialogTemplate& dialogTemplate();

protected:
    bool OnInitDialog() override;

private:
    void OnStartupTimer();
    void OnFileListChanged(const QItemSelection& selected);
    void OnFileListRightClick(const QPoint& position);
    void connectCommands();
    void setUpCheckControls();
    void reloadSpaceView();
    void setUpFolderPage();
    void setUpAddedButtons();
    void addTrashCommands(QMenu& menu, int row);
    // After files were moved or put back (`changed`): rebuilds the index and
    // shows the category again on the same list page, with the group of
    // `mask`. Otherwise the content check goes on where it was.
    void showAfterFileChanges(const std::string& mask, bool changed);

    FileInfoLoader m_loader;
    std::string m_selectedPath;
    char m_openCommand[ShellUtility::kCommandBufferSize] = {};
    CAnalyseListDlg m_listPage;
    CTreeViewDlg m_treePage;
    QTableWidget* m_fileList;
    int m_category = 0;
    std::string m_shownMask;  // the group the file list shows
    bool m_keepPage = false;  // the next refresh stays on the list page shown
    QTabWidget* m_tabs;
    QProgressBar* m_ratioBar;
    QTimer m_startupTimer;
    std::unique_ptr<CContentCheckPanel> m_contentCheck;
    std::unique_ptr<CFolderSetsPage> m_folderPage;
    std::unique_ptr<CSpaceDlg> m_spaceDlg;  // made when first opened
};
