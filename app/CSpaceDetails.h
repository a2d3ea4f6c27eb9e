// SPDX-License-Identifier: MIT
#pragma once

#include <QTabWidget>

#include "engine/SpaceTree.h"

class QTreeWidget;

// The lower half of the space view's right side: the largest files of the
// selected node (at most 100: path, 大小, 占用, 类型, 有副本) and its bytes
// per category, each category with its treemap colour, so that the list is
// also the treemap's legend. Each file row holds its path's bytes under
// itembytes::kBytesRole.
class CSpaceDetails : public QTabWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kLargestFiles = 100;

    explicit CSpaceDetails(QWidget* parent = nullptr);

    // Lists the figures of `node` of `tree` (null: empties both lists).
    void showNode(const SpaceTree* tree, SpaceTree::NodeId node);
    QTreeWidget* largestFiles() const { return m_files; }
    QTreeWidget* categories() const { return m_categories; }

private:
    void fillFiles(const std::vector<SpaceTree::LargeFile>& files);
    void fillCategories(const SpaceTree::CategoryBytes& bytes);

    QTreeWidget* m_files;
    QTreeWidget* m_categories;
};
