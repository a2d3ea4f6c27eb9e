// SPDX-License-Identifier: MIT
#include "results/ui/CTreeViewDlg.h"

#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include <cstdlib>

#include "engine/FileInfoAnalyse.h"
#include "engine/ui/ControlIds.h"
#include "engine/ui/ItemBytes.h"
#include "results/FileInfoLoader.h"
#include "results/ui/IResultViewOwner.h"
#include "util/StringUtility.h"

namespace {

const ControlTemplate kControls[] = {
    {ids::kFolderTree, ControlKind::TreeView, "", 0, 0, 239, 241, kStyleNone, "folderTree"},
    {ids::kNoId, ControlKind::Static, "路径：", 0, 250, 25, 8, kStyleNone, "pathLabel"},
    {ids::kTreePath, ControlKind::Edit, "", 25, 248, 209, 14, kReadOnly, "pathField"},
    {ids::kNoId, ControlKind::Static, "重复文件数量：", 0, 269, 57, 8, kStyleNone, "copiesLabel"},
    {ids::kTreeCopies, ControlKind::Edit, "", 59, 267, 40, 14, kReadOnly, "copiesField"},
    {ids::kNoId, ControlKind::Static, "文件大小：", 110, 269, 41, 8, kStyleNone, "sizeLabel"},
    {ids::kTreeSize, ControlKind::Edit, "", 151, 267, 83, 14, kReadOnly, "sizeField"},
};

const DialogTemplate kTemplate = {ids::kTreePage,      nullptr, 239, 280, 8, kControls,
                                  std::size(kControls)};

constexpr int kFilledRole = itembytes::kBytesRole + 1;

std::string itemName(const QTreeWidgetItem* item) {
    return itembytes::fromBytes(item->data(0, itembytes::kBytesRole).toByteArray());
}

}  // namespace

const DialogTemplate& CTreeViewDlg::dialogTemplate() {
    return kTemplate;
}

CTreeViewDlg::CTreeViewDlg(IResultViewOwner* owner, FileInfoLoader* loader, QWidget* parent)
    : CTemplatePage(kTemplate, parent),
      m_owner(owner),
      m_loader(loader),
      m_tree(control<QTreeWidget>(ids::kFolderTree)) {
    setObjectName("treePage");
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelChanged(current); });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &CTreeViewDlg::OnRightClick);
}

void CTreeViewDlg::fillChildren(const std::string& path, QTreeWidgetItem* parent) {
    if (parent ? parent->data(0, kFilledRole).toBool() : m_tree->topLevelItemCount() > 0) return;
    const CPathTreeNode* node = m_loader->pathTree().findNode(path);
    if (!node) return;
    QList<QTreeWidgetItem*> items;
    items.reserve(int(node->children().size()));
    for (const auto& child : node->children()) {
        const QString text = itembytes::display(child->name());
        auto* item = new QTreeWidgetItem(QStringList{text});
        item->setIcon(0, icons_.iconForName(text));
        item->setData(0, itembytes::kBytesRole, itembytes::toBytes(child->name()));
        item->setData(0, kFilledRole, false);
        items.append(item);
    }
    if (parent) {
        parent->addChildren(items);
        parent->setData(0, kFilledRole, true);
    } else {
        m_tree->addTopLevelItems(items);
    }
}

void CTreeViewDlg::deleteAllItems() {
    m_tree->clear();
}

QTreeWidgetItem* CTreeViewDlg::findChildItem(QTreeWidgetItem* parent,
                                             const std::string& name) const {
    const int count = parent ? parent->childCount() : m_tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = parent ? parent->child(i) : m_tree->topLevelItem(i);
        if (itemName(item) == name) return item;
    }
    return nullptr;
}

std::string CTreeViewDlg::getItemPath(const QTreeWidgetItem* item) {
    std::string path;
    for (; item; item = item->parent()) {
        const std::string name = itemName(item);
        path = path.empty() ? name : name + "\\" + path;
    }
    return path;
}

void CTreeViewDlg::selectPath(const std::string& fullPath) {
    if (fullPath.empty()) return;
    QTreeWidgetItem* current = nullptr;
    std::string prefix;
    for (const std::string& component : StringUtility::split(fullPath, "\\", "")) {
        QTreeWidgetItem* found = findChildItem(current, component);
        if (!found) {
            fillChildren(prefix, current);
            found = findChildItem(current, component);
            if (!found) return;
        }
        if (!prefix.empty()) prefix += "\\";
        prefix += component;
        current = found;
    }
    if (!current) return;
    current->setExpanded(true);
    m_tree->setCurrentItem(current);
    m_tree->scrollToItem(current);
}

void CTreeViewDlg::OnSelChanged(QTreeWidgetItem* item) {
    auto* pathField = control<QLineEdit>(ids::kTreePath);
    if (!item) {
        setFieldText(pathField, QString());
        return;
    }
    const std::string path = getItemPath(item);
    setFieldText(pathField, itembytes::display(path));
    const CPathTreeNode* node = m_loader->pathTree().findNode(path);
    if (!node) return;
    if (node->groupIndex() < 0) {
        setFieldText(control<QLineEdit>(ids::kTreeCopies), QString());
        setFieldText(control<QLineEdit>(ids::kTreeSize), QString());
        fillChildren(path, item);
        return;
    }
    showFileFigures(node->groupIndex());
}

void CTreeViewDlg::showFileFigures(int groupIndex) {
    if (groupIndex >= m_loader->groupCount()) return;  // a file of no loaded group
    const std::vector<std::string> group = m_loader->GetFileInfo(groupIndex);
    const std::string& mask = group[1];
    setFieldText(control<QLineEdit>(ids::kTreeCopies),
                 QString::number(std::atoi(group[0].c_str())));
    setFieldText(control<QLineEdit>(ids::kTreeSize),
                 QString::number(FileInfoAnalyse::sizeFromMask(mask)));
    m_owner->ShowFileList(mask);
}

void CTreeViewDlg::OnRightClick(const QPoint& position) {
    QTreeWidgetItem* item = m_tree->itemAt(position);
    if (!item) return;
    m_tree->setCurrentItem(item);
    QMenu menu(this);
    menu.setObjectName("treeMenu");
    QAction* ignore = menu.addAction(QStringLiteral("屏蔽该文件夹扫描"));
    ignore->setObjectName("ignoreFolderAction");
    ignore->setData(ids::kIgnoreFolderCommand);
    const CPathTreeNode* node = m_loader->pathTree().findNode(getItemPath(item));
    if (node && node->groupIndex() >= 0) ignore->setEnabled(false);
    if (menu.exec(m_tree->viewport()->mapToGlobal(position)) == ignore) OnIgnoreFolder();
}

void CTreeViewDlg::OnIgnoreFolder() {
    const std::string path = getItemPath(m_tree->currentItem());
    const CPathTreeNode* node = m_loader->pathTree().findNode(path);
    // The empty path finds the root, whose index 0 keeps it from being ignored.
    if (!node || node->groupIndex() >= 0) return;
    m_owner->StopContentCheck();
    CFileInfoDB& database = m_loader->database();
    database.addIgnoredFolder(path);
    database.deleteFolderTree(path);
    FileInfoAnalyse analyse;
    analyse.buildIndex();
    m_owner->RefreshCategory(m_owner->currentCategory());
}
