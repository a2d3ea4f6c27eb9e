// SPDX-License-Identifier: MIT
#include "app/CFolderSetsPage.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

#include "app/CTrashFolderAction.h"
#include "engine/ContentChecker.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/ui/ItemBytes.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileManager.h"

namespace {

enum Role { kFolderRole = Qt::UserRole + 1, kKindRole, kSetRole };
enum Kind { kSetRow, kSetFolder, kRedundantFolder, kCopyHolder };
enum Column { kNameColumn, kFilesColumn, kBytesColumn, kFreedColumn };

QString sizeText(std::uint64_t bytes) {
    char size[32];
    return QString::fromLatin1(FileUtility::formatSize(size, bytes)) + QStringLiteral("字节");
}

std::string withoutSlash(std::string path) {
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

CFolderSetsPage::CFolderSetsPage(std::string databasePath, Owner owner, QWidget* parent)
    : QWidget(parent),
      m_databasePath(databasePath),
      m_owner(std::move(owner)),
      m_status(new QLabel(this)),
      m_tree(new QTreeWidget(this)),
      m_queue(std::move(databasePath)) {
    setObjectName("folderSetsPage");
    m_status->setObjectName("folderSetsStatus");
    m_status->setWordWrap(true);
    m_tree->setObjectName("folderSetsTree");
    m_tree->setColumnCount(4);
    m_tree->setHeaderLabels({QStringLiteral("文件夹"), QStringLiteral("文件数"),
                             QStringLiteral("大小"), QStringLiteral("可释放")});
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    for (const int column : {kFilesColumn, kBytesColumn, kFreedColumn})
        m_tree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_status);
    layout->addWidget(m_tree, 1);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CFolderSetsPage::OnSelectionChanged);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this,
            &CFolderSetsPage::OnContextMenu);
    m_status->setText(QStringLiteral("打开此页时查找内容相同的文件夹。"));
}

CFolderSetsPage::~CFolderSetsPage() {
    m_queue.stop();
}

void CFolderSetsPage::stop() {
    if (!m_queue.joinable()) return;
    m_queue.stop();
    ++m_run;  // results still queued belong to a run that is over
    if (m_owner.checkEnded) m_owner.checkEnded();
}

void CFolderSetsPage::invalidate(bool filesChanged) {
    stop();
    m_current = false;
    if (filesChanged) m_results.clear();
}

// The groups of two files or more of the index, most waste first.
std::vector<std::string> CFolderSetsPage::duplicateMasks() const {
    std::vector<std::string> masks;
    CSqliteDB database(m_databasePath);
    if (!database.open() || !database.execute("PRAGMA busy_timeout = 3000") ||
        !database.tableExists("FILEINFO_IDX") ||
        !database.query("SELECT MASK FROM FILEINFO_IDX WHERE FNUM > 1 ORDER BY ID"))
        return masks;
    for (const CSqliteDB::Row& row : database.resultRows()) masks.push_back(row.at(0));
    return masks;
}

void CFolderSetsPage::activate() {
    if (m_current || m_queue.joinable()) return;
    std::vector<std::string> unchecked;
    for (std::string& mask : duplicateMasks())
        if (!m_results.hasGroup(mask)) unchecked.push_back(std::move(mask));
    if (unchecked.empty())
        findFolders();
    else
        startCheck(std::move(unchecked));
}

void CFolderSetsPage::startCheck(std::vector<std::string> masks) {
    if (m_owner.stopWindowCheck) m_owner.stopWindowCheck();
    const int run = ++m_run;
    m_checked = 0;
    m_toCheck = int(masks.size());
    m_tree->clear();
    m_status->setText(QStringLiteral("正在核对文件内容：0/%1 组").arg(m_toCheck));
    ContentCheckQueue::Listener listener;
    // On the checking thread: each result crosses to this page's thread.
    listener.onChecked = [this, run](GroupCheck&& group) {
        auto shared = std::make_shared<GroupCheck>(std::move(group));
        QMetaObject::invokeMethod(
            this, [this, run, shared] { OnGroupChecked(run, shared); }, Qt::QueuedConnection);
    };
    // A check that cannot run leaves its groups unconfirmed: findFolders()
    // then counts their folders as identical to nothing.
    listener.onFinished = [this, run](bool, const std::string&) {
        QMetaObject::invokeMethod(
            this, [this, run] { OnCheckFinished(run); }, Qt::QueuedConnection);
    };
    m_queue.start(std::move(masks), std::move(listener));
}

void CFolderSetsPage::OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group) {
    if (run != m_run) return;
    m_results.add(*group);
    ++m_checked;
    m_status->setText(QStringLiteral("正在核对文件内容：%1/%2 组").arg(m_checked).arg(m_toCheck));
}

void CFolderSetsPage::OnCheckFinished(int run) {
    if (run != m_run) return;
    m_queue.stop();  // the thread's last act was this report: the join is immediate
    if (m_owner.checkEnded) m_owner.checkEnded();
    findFolders();
}

void CFolderSetsPage::findFolders() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_identical.reset();
    m_copies.reset();
    FolderInventoryLoader loader(m_databasePath);
    const bool loaded = loader.load(m_inventory, &m_results);
    if (loaded) {
        m_copies = std::make_unique<FolderCopies>(m_inventory);
        m_identical = std::make_unique<IdenticalFolders>(m_inventory, *m_copies);
    }
    m_current = true;
    fill();
    if (!loaded)
        m_status->setText(QStringLiteral("无法读取分析结果：") +
                          QString::fromLocal8Bit(loader.errorText().c_str()));
    QApplication::restoreOverrideCursor();
}

QTreeWidgetItem* CFolderSetsPage::folderItem(std::uint32_t folder, int kind, int set) const {
    const std::string& path = m_inventory.folders()[folder].path;
    auto* item = new QTreeWidgetItem;
    item->setText(kNameColumn, itembytes::display(path));
    item->setToolTip(kNameColumn, itembytes::display(path));
    item->setData(kNameColumn, itembytes::kBytesRole, itembytes::toBytes(path));
    item->setData(kNameColumn, kFolderRole, folder);
    item->setData(kNameColumn, kKindRole, kind);
    item->setData(kNameColumn, kSetRole, set);
    const FolderCopies::Totals& totals = m_copies->totals(folder);
    if (kind != kCopyHolder) {
        item->setText(kFilesColumn, QString::number(totals.files));
        item->setText(kBytesColumn, sizeText(totals.bytes));
    }
    return item;
}

void CFolderSetsPage::fill() {
    m_tree->clear();
    if (!m_identical) return;
    std::uint64_t freed = 0;
    const auto& sets = m_identical->sets();
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const IdenticalFolders::Set& set = sets[s];
        auto* row = new QTreeWidgetItem(m_tree);
        row->setText(kNameColumn, QStringLiteral("%1 个相同文件夹").arg(int(set.folders.size())));
        row->setText(kFilesColumn, QString::number(set.files));
        row->setText(kBytesColumn, sizeText(set.bytes));
        row->setText(kFreedColumn, sizeText(set.freed));
        row->setData(kNameColumn, kKindRole, int(kSetRow));
        row->setData(kNameColumn, kSetRole, int(s));
        for (const std::uint32_t folder : set.folders)
            row->addChild(folderItem(folder, kSetFolder, int(s)));
        row->setExpanded(true);
        freed += set.freed;
    }
    for (const IdenticalFolders::Redundant& redundant : m_identical->redundant()) {
        QTreeWidgetItem* row = folderItem(redundant.folder, kRedundantFolder, -1);
        row->setText(kFreedColumn, QStringLiteral("全部有副本"));
        row->setToolTip(kFreedColumn,
                        QStringLiteral("冗余文件夹：每个文件在此文件夹外都有内容相同的副本"));
        m_tree->addTopLevelItem(row);
        for (const FolderCopies::Holder& holder : redundant.holders) {
            QTreeWidgetItem* copies = folderItem(holder.folder, kCopyHolder, -1);
            copies->setText(kNameColumn, QStringLiteral("副本在 ") + copies->text(kNameColumn));
            copies->setText(kBytesColumn, sizeText(holder.bytes));
            row->addChild(copies);
        }
    }
    m_status->setText(
        QStringLiteral("相同文件夹 %1 组，保留每组第一个可释放 %2；冗余文件夹 %3 个。")
            .arg(int(sets.size()))
            .arg(sizeText(freed))
            .arg(int(m_identical->redundant().size())));
}

std::uint32_t CFolderSetsPage::folderOf(const QTreeWidgetItem* item) const {
    if (item == nullptr || !m_copies || item->data(kNameColumn, kKindRole).toInt() == kSetRow)
        return FolderInventory::kNoFolder;
    return item->data(kNameColumn, kFolderRole).toUInt();
}

void CFolderSetsPage::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    const std::uint32_t folder =
        selected.isEmpty() ? FolderInventory::kNoFolder : folderOf(selected.first());
    if (folder == FolderInventory::kNoFolder || !m_owner.showFiles) return;
    std::vector<std::pair<std::string, QString>> files;
    const auto& all = m_inventory.files();
    for (std::uint32_t i = m_inventory.folders()[folder].firstFile;
         i < m_inventory.subtreeFileEnd(folder); ++i) {
        QString state;
        if (all[i].content == FolderInventory::kUnconfirmed)
            state = QStringLiteral("未确认");
        else if (m_copies->copiedOutside(i, folder))
            state = QStringLiteral("有副本");
        else if (m_copies->reach(i) == FolderCopies::kNoCopy)
            state = QStringLiteral("唯一");
        else
            state = QStringLiteral("副本在此文件夹内");
        files.emplace_back(m_inventory.path(all[i]), state);
    }
    m_owner.showFiles(files);
}

void CFolderSetsPage::OnContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_tree->itemAt(position);
    const std::uint32_t folder = folderOf(item);
    QMenu menu(this);
    menu.setObjectName("folderSetsMenu");
    QAction* show = menu.addAction(QStringLiteral("在文件夹中显示"));
    show->setObjectName("showFolderAction");
    show->setEnabled(folder != FolderInventory::kNoFolder);
    QAction* keep = menu.addAction(QString::fromUtf8(CTrashFolderAction::kKeepThisText));
    keep->setObjectName("keepFolderAction");
    keep->setEnabled(folder != FolderInventory::kNoFolder &&
                     item->data(kNameColumn, kKindRole).toInt() == kSetFolder);
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(position));
    if (chosen == show)
        showInFileManager(item);
    else if (chosen == keep)
        keepFolder(item);
}

void CFolderSetsPage::showInFileManager(const QTreeWidgetItem* item) {
    const std::uint32_t folder = folderOf(item);
    if (folder == FolderInventory::kNoFolder) return;
    const std::string path = withoutSlash(m_inventory.folders()[folder].path);
    std::string reason;
    if (platform::showInFileManager(path, reason)) return;
    QMessageBox::warning(
        this, QStringLiteral("在文件夹中显示"),
        QStringLiteral("无法在文件夹中显示 %1：%2")
            .arg(itembytes::display(path), QString::fromLocal8Bit(reason.c_str())));
}

void CFolderSetsPage::keepFolder(const QTreeWidgetItem* item) {
    const std::uint32_t folder = folderOf(item);
    if (folder == FolderInventory::kNoFolder ||
        item->data(kNameColumn, kKindRole).toInt() != kSetFolder)
        return;
    const auto set = std::size_t(item->data(kNameColumn, kSetRole).toInt());
    if (!m_identical || set >= m_identical->sets().size()) return;
    CTrashFolderAction action(m_inventory, *m_identical, m_identical->sets()[set], folder);
    if (!action.confirm(this)) return;
    if (m_owner.stopWindowCheck) m_owner.stopWindowCheck();
    CFileInfoDB database(m_databasePath);
    ContentChecker cache(m_databasePath);
    if (!database.open() || !cache.open()) {
        QMessageBox::warning(
            this, QString::fromUtf8(CTrashFolderAction::kKeepThisText),
            QStringLiteral("无法打开数据库，没有移动任何文件夹：") +
                QString::fromLocal8Bit(
                    (database.isOpen() ? cache.errorText() : database.errorText()).c_str()));
        return;
    }
    const int moved = action.run(this, database, cache);
    if (moved > 0) m_current = false;
    // The window's check starts again with the reload, or here when nothing moved.
    if (moved > 0 && m_owner.moved)
        m_owner.moved();
    else if (m_owner.checkEnded)
        m_owner.checkEnded();
}
