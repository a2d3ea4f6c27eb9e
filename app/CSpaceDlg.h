// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/CSpaceItemActions.h"
#include "app/SpaceTreemapTiles.h"
#include "engine/SpaceTree.h"

class CSpaceDetails;
class CheckedContent;
class CSpaceTreeView;
class CTreemapWidget;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QTreeWidgetItem;

// 空间分布, a top-level window of its own: where the space of the analysed
// folders goes. The folder tree (CSpaceTreeView) beside the treemap of the
// folder shown (CTreemapWidget) with its path bar, and below it the folder's
// largest files and bytes per category (CSpaceDetails). Selecting a folder
// in the tree shows it in the treemap; a click on a tile selects its folder
// in the tree, a double-click zooms into it, the path bar zooms out. Files,
// folders and tiles offer 打开, 在文件夹中显示 and 移到回收站.
//
// The analysis is read on a thread of its own (SpaceTree::load); the window
// shows the last tree it has until the new one is there, and never waits
// for the load, except when it is destroyed (it joins the thread).
class CSpaceDlg : public QWidget {
    Q_OBJECT
public:
    // What content checks confirmed beyond the content cache, copied on the
    // window's thread for each load; null when nothing is known.
    using CheckedSource = std::function<std::shared_ptr<const CheckedContent>()>;

    // `databasePath`: the file database (program form). `moved` is called
    // after an item went to the trash (the main window's lists are stale).
    explicit CSpaceDlg(std::string databasePath, std::function<void()> moved = {},
                       CheckedSource checked = {}, QWidget* parent = nullptr);
    ~CSpaceDlg() override;

    // Reads the analysis again (after 重新分析 or a move); a reload asked for
    // while one runs follows it.
    void reload();
    bool isLoading() const { return m_loading; }
    const SpaceTree* tree() const { return m_tree.get(); }
    // The node the treemap shows, and zooming to one (selects it in the tree).
    SpaceTree::NodeId shownNode() const { return m_shown; }
    void zoomTo(SpaceTree::NodeId node);

    CSpaceTreeView* treeView() const { return m_treeView; }
    CTreemapWidget* treemap() const { return m_treemap; }
    CSpaceDetails* details() const { return m_details; }

signals:
    // A load ended and the window shows its result (or its error).
    void loaded();

private:
    void buildLayout();
    void connectViews();
    void startLoad();
    void takeTree(std::shared_ptr<const SpaceTree> tree, bool ok);
    void showNode(SpaceTree::NodeId node);
    void fillPathBar();
    void onTreeSelection();
    void onTileClicked(const TreemapTile& tile);
    void onTileDoubleClicked(const TreemapTile& tile);
    void runMenu(const SpaceItem& item, const QPoint& globalPosition);
    void onTreeMenu(const QPoint& position);
    void onFileMenu(const QPoint& position);
    void removeRowsOf(const std::string& path);

    std::string m_databasePath;
    std::function<void()> m_moved;
    CheckedSource m_checked;
    std::shared_ptr<const SpaceTree> m_tree;
    std::unique_ptr<SpaceTreemapTiles> m_tiles;
    std::thread m_loader;
    bool m_loading = false;
    bool m_reloadAsked = false;
    SpaceTree::NodeId m_shown = SpaceTree::kTop;
    std::string m_shownPath;        // kept across reloads
    bool m_quietSelection = false;  // a selection made by the view itself

    QLabel* m_timeLabel;
    QLabel* m_status;
    QCheckBox* m_sizes;
    QWidget* m_pathBar;
    QHBoxLayout* m_pathLayout;
    CSpaceTreeView* m_treeView;
    CTreemapWidget* m_treemap;
    CSpaceDetails* m_details;
};
