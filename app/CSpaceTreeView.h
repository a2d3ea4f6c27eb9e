// SPDX-License-Identifier: MIT
#pragma once

#include <QTreeWidget>

#include <string>

#include "engine/SpaceTree.h"

// The folder tree of the space view: a drive, folder or 未扫描 row per item,
// filled lazily as the user opens a row, largest first as the SpaceTree
// gives them. Columns: 名称, 占用 (or 大小 while sizes are shown), the share
// of the parent as a bar, 文件数, 有副本 with its share (全部有副本 where
// every file has a copy outside), 变化. Each item holds its row's node,
// kind and path (the path's bytes under itembytes::kBytesRole).
class CSpaceTreeView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { kName, kBytes, kShare, kFiles, kCopied, kChange, kColumnCount };
    static constexpr int kNodeRole = Qt::UserRole + 1;
    static constexpr int kKindRole = Qt::UserRole + 2;
    static constexpr int kShareRole = Qt::UserRole + 3;

    explicit CSpaceTreeView(QWidget* parent = nullptr);

    // Shows the drives of `tree` (null: nothing). `tree` must outlive its use here.
    void showTree(const SpaceTree* tree);
    // Between 占用 (disk usage) and 大小 (apparent size) in column 1 and the bars.
    void setShowSizes(bool sizes);
    bool showsSizes() const { return m_sizes; }

    // The item of `node`, opening the rows above it as needed; null when the
    // tree does not hold it.
    QTreeWidgetItem* revealNode(SpaceTree::NodeId node);
    static SpaceTree::NodeId nodeOf(const QTreeWidgetItem* item);
    static SpaceTree::Kind kindOf(const QTreeWidgetItem* item);
    static std::string pathOf(const QTreeWidgetItem* item);

private:
    void fillChildren(QTreeWidgetItem* parent);
    QTreeWidgetItem* makeItem(const SpaceTree::Row& row, std::uint64_t parentBytes) const;
    void writeFigures(QTreeWidgetItem* item, std::uint64_t parentBytes) const;
    void rewriteFigures(QTreeWidgetItem* item, std::uint64_t parentBytes);
    std::uint64_t bytesOf(const SpaceTree::Figures& figures) const;

    const SpaceTree* m_tree = nullptr;
    bool m_sizes = false;
};
