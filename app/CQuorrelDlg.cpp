// SPDX-License-Identifier: MIT
#include "app/CQuorrelDlg.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

#include "app/AppResources.h"
#include "app/CAboutDlg.h"
#include "app/CCleanupDlg.h"
#include "app/CIgnoreFolderDlg.h"
#include "app/CScopeDlg.h"
#include "app/CSpaceDlg.h"
#include "app/CTrashCopiesAction.h"
#include "app/SystemMenu.h"
#include "engine/AnalysisScope.h"
#include "engine/ConfigInfo.h"
#include "engine/ContentChecker.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/ui/CFileAnalyseDlg.h"
#include "engine/ui/ControlIds.h"
#include "engine/ui/ItemBytes.h"
#include "engine/ui/ListViewRows.h"
#include "util/ShellUtility.h"
#include "util/platform/FileManager.h"

namespace {

using K = ControlKind;
const ControlTemplate kControls[] = {
    {ids::kCategoryAll, K::RadioButton, "所有", 11, 13, 30, 10, kStyleNone, "categoryAll"},
    {ids::kCategoryMusic, K::RadioButton, "音乐", 44, 13, 30, 10, kStyleNone, "categoryMusic"},
    {ids::kCategoryPictures, K::RadioButton, "图片", 77, 13, 30, 10, kStyleNone,
     "categoryPictures"},
    {ids::kCategoryVideo, K::RadioButton, "视频", 110, 13, 30, 10, kStyleNone, "categoryVideo"},
    {ids::kCategoryDocuments, K::RadioButton, "文档", 143, 13, 30, 10, kStyleNone,
     "categoryDocuments"},
    {ids::kCategoryText, K::RadioButton, "文本", 176, 13, 30, 10, kStyleNone, "categoryText"},
    {ids::kCategoryWeb, K::RadioButton, "网页", 209, 13, 30, 10, kStyleNone, "categoryWeb"},
    {ids::kCategoryDevelopment, K::RadioButton, "开发", 242, 13, 30, 10, kStyleNone,
     "categoryDevelopment"},
    {ids::kCategoryArchives, K::RadioButton, "压缩", 275, 13, 30, 10, kStyleNone,
     "categoryArchives"},
    {ids::kCategoryPrograms, K::RadioButton, "程序", 308, 13, 30, 10, kStyleNone,
     "categoryPrograms"},
    {ids::kCategoryOther, K::RadioButton, "其它", 341, 13, 30, 10, kStyleNone, "categoryOther"},
    {ids::kTabs, K::TabControl, "", 7, 35, 204, 280, kStyleNone, "tabs"},
    {ids::kAnalyseButton, K::PushButton, "重新分析", 398, 13, 50, 14, kStyleNone, "analyseButton"},
    {ids::kIgnoreManagerButton, K::PushButton, "屏蔽目录管理", 458, 13, 50, 14, kStyleNone,
     "ignoreManagerButton"},
    {ids::kAboutButton, K::PushButton, "软件说明", 518, 13, 50, 14, kStyleNone, "aboutButton"},
    {ids::kFileList, K::ListView, "", 213, 48, 415, 245, kStyleNone, "fileList"},
    {ids::kOk, K::DefaultPushButton, "退出", 578, 13, 50, 14, kStyleNone, "exitButton"},
    {ids::kNoId, K::Static, "重复文件列表", 214, 36, 42, 8, kStyleNone, "fileListLabel"},
    {ids::kOpenButton, K::PushButton, "打开", 215, 299, 50, 14, kStyleNone, "openButton"},
    {ids::kSelectedPath, K::Edit, "", 266, 300, 362, 14, kReadOnly, "selectedPath"},
    {ids::kRatioBar, K::ProgressBar, "", 117, 317, 511, 14, kStyleNone, "ratioBar"},
    {ids::kRatioText, K::Static, "当前类型重复文件比例：", 7, 320, 105, 8, kStyleNone, "ratioText"},
};

const DialogTemplate kTemplate = {ids::kMainDialog, "Lanbrook",          635, 340, 9,
                                  kControls,        std::size(kControls)};

// Radio button -> category code; the codes do not follow the screen order.
const std::pair<int, int> kCategoryButtons[] = {
    {ids::kCategoryAll, 0},       {ids::kCategoryDevelopment, 1}, {ids::kCategoryPictures, 2},
    {ids::kCategoryDocuments, 3}, {ids::kCategoryOther, 4},       {ids::kCategoryMusic, 5},
    {ids::kCategoryVideo, 6},     {ids::kCategoryText, 7},        {ids::kCategoryWeb, 8},
    {ids::kCategoryArchives, 9},  {ids::kCategoryPrograms, 10},
};

// The content check's figures: beside the file list's caption, where the
// template has no control (dialog units).
constexpr int kCheckStatus[] = {424, 36, 204, 8};
// 扫描范围, 批量清理 and 空间分布: between the caption and the figures, level
// with the tab headers (the top row has no room left between its radio
// buttons and buttons).
constexpr int kScopeButton[] = {262, 33, 50, 13};
constexpr int kCleanupButton[] = {316, 33, 50, 13};
constexpr int kSpaceButton[] = {370, 33, 50, 13};
constexpr int kClassColumnWidth = 90;

constexpr int kStartupDelayMs = 150;
constexpr int kRatioRange = 1000;
constexpr int kRedFromPermille = 100;

}  // namespace

const DialogTemplate& CQuorrelDlg::dialogTemplate() {
    return kTemplate;
}

int CQuorrelDlg::categoryOfButton(int controlId) {
    for (const auto& [id, code] : kCategoryButtons)
        if (id == controlId) return code;
    return -1;
}

CQuorrelDlg::CQuorrelDlg(QWidget* parent)
    : CTemplateDialog(kTemplate, parent),
      m_listPage(this, &m_loader),
      m_treePage(this, &m_loader),
      m_fileList(control<QTableWidget>(ids::kFileList)),
      m_tabs(control<QTabWidget>(ids::kTabs)),
      m_ratioBar(control<QProgressBar>(ids::kRatioBar)) {
    setObjectName("mainDialog");
    initAppResources();
    setWindowIcon(QIcon(QStringLiteral(":/lanbrook.png")));
    // A main window: minimising is offered by the taskbar entry, not the frame.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    control<QRadioButton>(ids::kCategoryAll)->setChecked(true);
    m_startupTimer.setSingleShot(true);
    m_startupTimer.setInterval(kStartupDelayMs);
    connect(&m_startupTimer, &QTimer::timeout, this, &CQuorrelDlg::OnStartupTimer);
    m_tabs->addTab(&m_listPage, QStringLiteral("文件资源分析情况"));
    m_tabs->addTab(&m_treePage, QStringLiteral("文件浏览视图"));
    m_tabs->setCurrentIndex(0);
    listrows::setUpSingleColumn(*m_fileList, QStringLiteral("文件名"));
    setUpCheckControls();
    setUpAddedButtons();
    setUpFolderPage();
    // The pages' controls follow the tab control in the tab order (Qt skips
    // those of the hidden page).
    QWidget* previous = m_tabs;
    for (QWidget* page : {static_cast<QWidget*>(&m_listPage), static_cast<QWidget*>(&m_treePage),
                          static_cast<QWidget*>(m_folderPage.get())}) {
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!(child->focusPolicy() & Qt::TabFocus)) continue;
            QWidget::setTabOrder(previous, child);
            previous = child;
        }
    }
    connectCommands();
}

CQuorrelDlg::~CQuorrelDlg() {
    // The pages go before the tab control: removing one changes the current
    // tab, which must no longer reach a page being destroyed.
    disconnect(m_tabs, &QTabWidget::currentChanged, this, nullptr);
    m_folderPage->stop();
    m_contentCheck->stop();
}

// The file list's class column after 文件名, and the label of confirmed bytes.
void CQuorrelDlg::setUpCheckControls() {
    m_fileList->setColumnCount(2);
    auto* heading = new QTableWidgetItem(QStringLiteral("内容"));
    heading->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_fileList->setHorizontalHeaderItem(1, heading);
    m_fileList->setColumnWidth(0, m_fileList->columnWidth(0) - kClassColumnWidth);
    m_fileList->setColumnWidth(1, kClassColumnWidth);
    auto* status = new QLabel(this);
    status->setObjectName("confirmedBytes");
    status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->setGeometry(DialogTemplateBuilder::toPixels(font(), kCheckStatus[0], kCheckStatus[1],
                                                        kCheckStatus[2], kCheckStatus[3]));
    m_contentCheck = std::make_unique<CContentCheckPanel>(ConfigInfo::global().getDatabasePath(),
                                                          &m_listPage, m_fileList, status);
}

// 扫描范围 and 批量清理, beside the file list's caption.
void CQuorrelDlg::setUpAddedButtons() {
    const struct {
        const char* text;
        const char* name;
        const int* rectangle;
        void (CQuorrelDlg::*command)();
    } buttons[] = {
        {"扫描范围", "scopeButton", kScopeButton, &CQuorrelDlg::OnScope},
        {"批量清理", "cleanupButton", kCleanupButton, &CQuorrelDlg::OnCleanup},
        {"空间分布", "spaceButton", kSpaceButton, &CQuorrelDlg::OnSpaceView},
    };
    for (const auto& added : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(added.text), this);
        button->setObjectName(added.name);
        const int* r = added.rectangle;
        button->setGeometry(DialogTemplateBuilder::toPixels(font(), r[0], r[1], r[2], r[3]));
        connect(button, &QPushButton::clicked, this, added.command);
    }
}

void CQuorrelDlg::OnSpaceView() {
    if (!m_spaceDlg) {
        // A move there leaves the duplicate lists stale: they are rebuilt.
        auto moved = [this] {
            FileInfoAnalyse analyse;
            (void)analyse.buildIndex();
            m_keepPage = true;
            RefreshCategory(m_category);
        };
        // The copies the 重复文件夹 page confirmed count beside the content cache.
        auto checked = [this] {
            return std::make_shared<const CheckedContent>(m_folderPage->checkedContent());
        };
        m_spaceDlg = std::make_unique<CSpaceDlg>(ConfigInfo::global().getDatabasePath(), moved,
                                                 checked, this);
        m_spaceDlg->reload();
    }
    m_spaceDlg->show();
    m_spaceDlg->raise();
    m_spaceDlg->activateWindow();
}

void CQuorrelDlg::reloadSpaceView() {
    if (m_spaceDlg) m_spaceDlg->reload();
}

// 重复文件夹, a page beside the two specified ones. It checks what the window's
// own check has not, so that check waits while it runs.
void CQuorrelDlg::setUpFolderPage() {
    CFolderSetsPage::Owner owner;
    owner.showFiles = [this](const std::vector<std::pair<std::string, QString>>& files) {
        ShowFolderFiles(files);
    };
    owner.stopWindowCheck = [this] { m_contentCheck->stop(); };
    owner.checkEnded = [this] {
        if (m_contentCheck->checkedGroups() < m_contentCheck->totalGroups())
            m_contentCheck->start(m_loader);
    };
    owner.moved = [this] { showAfterFileChanges(std::string(), true); };
    m_folderPage =
        std::make_unique<CFolderSetsPage>(ConfigInfo::global().getDatabasePath(), std::move(owner));
    m_tabs->addTab(m_folderPage.get(), QStringLiteral("重复文件夹"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int) {
        if (m_tabs->currentWidget() == m_folderPage.get())
            m_folderPage->activate();
        else
            m_folderPage->stop();  // what it checked so far is kept
    });
}

void CQuorrelDlg::ShowFolderFiles(const std::vector<std::pair<std::string, QString>>& files) {
    control<QPushButton>(ids::kOpenButton)->setEnabled(false);
    setFieldText(control<QLineEdit>(ids::kSelectedPath), QString());
    m_shownMask.clear();
    m_contentCheck->showGroup(std::string());  // no group's classes in this list
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const auto& file : files) paths.push_back(file.first);
    listrows::fillRows(*m_fileList, paths);
    for (int row = 0; row < int(files.size()); ++row)
        m_fileList->setItem(row, 1, new QTableWidgetItem(files[std::size_t(row)].second));
}

void CQuorrelDlg::StopContentCheck() {
    m_folderPage->stop();
    m_contentCheck->stop();
}

void CQuorrelDlg::connectCommands() {
    for (const auto& [id, code] : kCategoryButtons) {
        // clicked, not toggled: the checked button reloads its category again.
        connect(control<QRadioButton>(id), &QRadioButton::clicked, this, [this, c = code] {
            m_category = c;
            RefreshCategory(m_category);
        });
    }
    connect(control<QPushButton>(ids::kAnalyseButton), &QPushButton::clicked, this,
            &CQuorrelDlg::RunAnalysis);
    connect(control<QPushButton>(ids::kIgnoreManagerButton), &QPushButton::clicked, this,
            &CQuorrelDlg::OnIgnoreManager);
    connect(control<QPushButton>(ids::kAboutButton), &QPushButton::clicked, this,
            &CQuorrelDlg::OnAbout);
    connect(control<QPushButton>(ids::kOpenButton), &QPushButton::clicked, this,
            [this] { ShellUtility::openWithCommand(m_openCommand, m_selectedPath.c_str()); });
    connect(m_fileList, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { SelectFileItem(row, true); });
    connect(m_fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                OnFileListChanged(selected);
            });
    m_fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_fileList, &QTableWidget::customContextMenuRequested, this,
            &CQuorrelDlg::OnFileListRightClick);
}

bool CQuorrelDlg::OnInitDialog() {
    // The About item joins the system menu where the platform gives the
    // window one; 软件说明 opens the About box everywhere.
    (void)SystemMenu::appendAboutItem(*this, QStringLiteral("关于 Lanbrook(&A)..."),
                                      [this] { OnAbout(); });
    control<QPushButton>(ids::kOpenButton)->setEnabled(false);
    m_ratioBar->setRange(0, kRatioRange);
    m_startupTimer.start();
    return true;
}

void CQuorrelDlg::OnStartupTimer() {
    m_startupTimer.stop();
    if (m_loader.isDatabaseReady())
        RefreshCategory(0);
    else
        RunAnalysis();
}

void CQuorrelDlg::RefreshCategory(int code) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_contentCheck->stop();
    m_loader.loadCategoryTable();
    if (m_loader.loadGroups(code)) (void)m_loader.buildPathTree(code);
    if (m_keepPage)
        m_listPage.refreshKeepingPage();
    else
        m_listPage.refresh();
    m_keepPage = false;
    m_treePage.deleteAllItems();
    m_treePage.fillChildren(std::string(), nullptr);
    m_contentCheck->start(m_loader);
    m_folderPage->invalidate(false);
    if (m_tabs->currentWidget() == m_folderPage.get()) m_folderPage->activate();
    QApplication::restoreOverrideCursor();
}

void CQuorrelDlg::RunAnalysis() {
    m_folderPage->invalidate(true);
    m_contentCheck->stop();
    CFileAnalyseDlg analyse(this);
    analyse.closeWhenDone = true;
    analyse.exec();
    RefreshCategory(m_category);
    reloadSpaceView();
}

void CQuorrelDlg::ShowFileList(const std::string& mask) {
    control<QPushButton>(ids::kOpenButton)->setEnabled(false);
    setFieldText(control<QLineEdit>(ids::kSelectedPath), QString());
    listrows::fillRows(*m_fileList, m_loader.getGroupFiles(mask));
    m_shownMask = mask;
    m_contentCheck->showGroup(mask);
}

void CQuorrelDlg::OnFileListChanged(const QItemSelection& selected) {
    if (!selected.isEmpty()) SelectFileItem(selected.indexes().first().row(), false);
}

void CQuorrelDlg::SelectFileItem(int row, bool open) {
    if (row < 0 || row >= m_fileList->rowCount()) return;
    m_selectedPath = listrows::rowBytes(*m_fileList, row);
    setFieldText(control<QLineEdit>(ids::kSelectedPath), itembytes::display(m_selectedPath));
    const bool found = ShellUtility::findOpenCommand(m_selectedPath.c_str(), m_openCommand);
    control<QPushButton>(ids::kOpenButton)->setEnabled(found);
    if (found && open) ShellUtility::openWithCommand(m_openCommand, m_selectedPath.c_str());
}

void CQuorrelDlg::OnFileListRightClick(const QPoint& position) {
    const QModelIndex hit = m_fileList->indexAt(position);
    QMenu menu(this);
    menu.setObjectName("fileListMenu");
    QAction* browse = menu.addAction(QStringLiteral("浏览所在目录"));
    browse->setObjectName("browseFolderAction");
    browse->setData(ids::kBrowseFolderCommand);
    browse->setEnabled(hit.isValid());
    QAction* show = menu.addAction(QStringLiteral("在文件夹中显示"));
    show->setObjectName("showInFolderAction");
    show->setEnabled(hit.isValid());
    addTrashCommands(menu, hit.isValid() ? hit.row() : -1);
    QAction* chosen = menu.exec(m_fileList->viewport()->mapToGlobal(position));
    if (chosen == browse)
        OnBrowseFolder();
    else if (chosen == show)
        OnShowInFolder(hit.row());
    else if (chosen && chosen->objectName() == QLatin1String("trashThisAction"))
        OnTrashCopies(hit.row(), false);
    else if (chosen && chosen->objectName() == QLatin1String("keepThisAction"))
        OnTrashCopies(hit.row(), true);
}

// The trash commands after the specified one, each enabled only when the
// content check has found what it needs: another copy that stays, or copies
// to move.
void CQuorrelDlg::addTrashCommands(QMenu& menu, int row) {
    // Protected folders unknown (a database that cannot be read): nothing is offered.
    AnalysisScope protection;
    const bool known = protection.loadProtection(m_loader.database());
    const GroupCheck* group = known ? m_contentCheck->result(m_shownMask) : nullptr;
    const int file = group && row >= 0 ? CTrashCopiesAction::fileOfPath(
                                             *group, listrows::rowBytes(*m_fileList, row))
                                       : -1;
    menu.addSeparator();
    const struct {
        const char* text;
        const char* name;
        CTrashCopiesAction::Kind kind;
    } commands[] = {
        {CTrashCopiesAction::kTrashThisText, "trashThisAction",
         CTrashCopiesAction::Kind::TrashThis},
        {CTrashCopiesAction::kKeepThisText, "keepThisAction", CTrashCopiesAction::Kind::KeepThis},
    };
    for (const auto& command : commands) {
        QAction* action = menu.addAction(QString::fromUtf8(command.text));
        action->setObjectName(command.name);
        action->setEnabled(group &&
                           CTrashCopiesAction(*group, file, command.kind, &protection).offered());
    }
}

void CQuorrelDlg::OnTrashCopies(int row, bool keepThis) {
    const GroupCheck* found = m_contentCheck->result(m_shownMask);
    if (!found || row < 0 || row >= m_fileList->rowCount()) return;
    const int file = CTrashCopiesAction::fileOfPath(*found, listrows::rowBytes(*m_fileList, row));
    AnalysisScope protection;
    if (!protection.loadProtection(m_loader.database())) {
        QMessageBox::warning(this, QString::fromUtf8(CTrashCopiesAction::kTrashThisText),
                             QStringLiteral("无法读取受保护的文件夹，没有移动任何文件：") +
                                 QString::fromLocal8Bit(m_loader.database().errorText().c_str()));
        return;
    }
    CTrashCopiesAction action(
        *found, file,
        keepThis ? CTrashCopiesAction::Kind::KeepThis : CTrashCopiesAction::Kind::TrashThis,
        &protection);
    if (!action.confirm(this)) return;
    const std::string mask = m_shownMask;
    StopContentCheck();
    ContentChecker cache(ConfigInfo::global().getDatabasePath());
    const bool opened = cache.open();
    if (!opened)
        action.reportNotStarted(this, QStringLiteral("无法打开数据库中的内容缓存：") +
                                          QString::fromLocal8Bit(cache.errorText().c_str()));
    showAfterFileChanges(mask, opened && action.run(this, m_loader.database(), cache) > 0);
}

void CQuorrelDlg::showAfterFileChanges(const std::string& mask, bool changed) {
    if (!changed) {
        m_contentCheck->start(m_loader);
        m_contentCheck->showGroup(mask);
        return;
    }
    FileInfoAnalyse analyse;
    (void)analyse.buildIndex();
    m_keepPage = true;
    RefreshCategory(m_category);
    if (!mask.empty()) ShowFileList(mask);
    reloadSpaceView();
}

void CQuorrelDlg::OnCleanup() {
    // The dialog takes the check's results and checks the rest itself.
    StopContentCheck();
    const std::string mask = m_shownMask;
    CCleanupDlg dialog(m_loader, *m_contentCheck, mask, this);
    dialog.exec();
    showAfterFileChanges(mask, dialog.changedFiles());
}

void CQuorrelDlg::OnShowInFolder(int row) {
    if (row < 0 || row >= m_fileList->rowCount()) return;
    const std::string path = listrows::rowBytes(*m_fileList, row);
    std::string reason;
    if (platform::showInFileManager(path, reason)) return;
    QMessageBox::warning(
        this, QStringLiteral("在文件夹中显示"),
        QStringLiteral("无法在文件夹中显示 %1：%2")
            .arg(itembytes::display(path), QString::fromLocal8Bit(reason.c_str())));
}

void CQuorrelDlg::OnBrowseFolder() {
    const QModelIndexList rows = m_fileList->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    const std::string path = listrows::rowBytes(*m_fileList, rows.first().row());
    if (m_tabs->currentIndex() == 0) m_tabs->setCurrentIndex(1);
    m_treePage.selectPath(path);
}

void CQuorrelDlg::ShowDuplicateRatio(int permille) {
    control<QLabel>(ids::kRatioText)
        ->setText(QString::asprintf("当前类型重复文件比例：%2.1f%%", permille / 10.0));
    m_ratioBar->setRange(0, kRatioRange);
    const char* bar = permille >= kRedFromPermille ? "rgb(230, 0, 0)" : "rgb(0, 230, 0)";
    m_ratioBar->setStyleSheet(
        QStringLiteral("QProgressBar { background-color: rgb(230, 230, 0); border: 1px solid "
                       "gray; } QProgressBar::chunk { background-color: %1; }")
            .arg(QLatin1String(bar)));
    m_ratioBar->setValue(permille);
}

void CQuorrelDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CQuorrelDlg::OnScope() {
    AnalysisScope chosen;
    if (!chosen.load(m_loader.database(), AnalysisScope::Stored::Chosen)) {
        QMessageBox::warning(
            this, QStringLiteral("扫描范围"),
            QStringLiteral("无法读取扫描范围：%1")
                .arg(QString::fromLocal8Bit(m_loader.database().errorText().c_str())));
        return;
    }
    CScopeDlg dialog(chosen, this);
    if (dialog.exec() != QDialog::Accepted || dialog.scope() == chosen) return;
    if (!dialog.scope().save(m_loader.database(), AnalysisScope::Stored::Chosen)) {
        QMessageBox::warning(
            this, QStringLiteral("扫描范围"),
            QStringLiteral("无法保存扫描范围：%1")
                .arg(QString::fromLocal8Bit(m_loader.database().errorText().c_str())));
        return;
    }
    // Protected marks count at once; other folders only after an analysis.
    if (dialog.scope().sameSelection(chosen)) return;
    QMessageBox ask(QMessageBox::Question, QStringLiteral("扫描范围"),
                    QStringLiteral("扫描范围已更改。现在按新的范围重新分析吗？"),
                    QMessageBox::NoButton, this);
    ask.setObjectName("scopeAnalyseQuestion");
    QPushButton* now = ask.addButton(QStringLiteral("立即分析"), QMessageBox::AcceptRole);
    now->setObjectName("analyseNowButton");
    ask.addButton(QStringLiteral("稍后"), QMessageBox::RejectRole)->setObjectName("laterButton");
    ask.setDefaultButton(now);
    ask.exec();
    if (ask.clickedButton() == now) RunAnalysis();
}

void CQuorrelDlg::OnIgnoreManager() {
    CIgnoreFolderDlg manager(this);
    manager.m_owner = this;
    manager.m_loader = &m_loader;
    manager.exec();
}
