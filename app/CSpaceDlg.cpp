// SPDX-License-Identifier: MIT
#include "app/CSpaceDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "app/CSpaceDetails.h"
#include "app/CSpaceTreeView.h"
#include "app/CTreemapWidget.h"
#include "app/SpaceFormat.h"
#include "engine/CheckedContent.h"
#include "engine/ThreadStart.h"
#include "engine/ui/ItemBytes.h"

CSpaceDlg::CSpaceDlg(std::string databasePath, std::function<void()> moved, CheckedSource checked,
                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_databasePath(std::move(databasePath)),
      m_moved(std::move(moved)),
      m_checked(std::move(checked)),
      m_timeLabel(new QLabel),
      m_status(new QLabel),
      m_sizes(new QCheckBox(QStringLiteral("按大小（而非占用）"))),
      m_pathBar(new QWidget),
      m_pathLayout(new QHBoxLayout(m_pathBar)),
      m_treeView(new CSpaceTreeView),
      m_treemap(new CTreemapWidget),
      m_details(new CSpaceDetails) {
    setObjectName("spaceWindow");
    setWindowTitle(QStringLiteral("空间分布"));
    buildLayout();
    connectViews();
    resize(1100, 720);
}

CSpaceDlg::~CSpaceDlg() {
    if (m_loader.joinable()) m_loader.join();
}

void CSpaceDlg::buildLayout() {
    m_timeLabel->setObjectName("analysisTime");
    m_status->setObjectName("spaceStatus");
    m_sizes->setObjectName("showSizes");
    m_pathBar->setObjectName("pathBar");
    m_treeView->setObjectName("spaceTree");
    m_treemap->setObjectName("treemap");
    m_details->setObjectName("spaceDetails");
    m_pathLayout->setContentsMargins(0, 0, 0, 0);
    m_pathLayout->setSpacing(2);

    auto* top = new QHBoxLayout;
    top->addWidget(m_timeLabel);
    top->addStretch(1);
    top->addWidget(m_status);
    top->addWidget(m_sizes);

    auto* right = new QSplitter(Qt::Vertical);
    auto* map = new QWidget;
    auto* mapLayout = new QVBoxLayout(map);
    mapLayout->setContentsMargins(0, 0, 0, 0);
    mapLayout->addWidget(m_pathBar);
    mapLayout->addWidget(m_treemap, 1);
    right->addWidget(map);
    right->addWidget(m_details);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_treeView);
    split->addWidget(right);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
}

void CSpaceDlg::connectViews() {
    connect(m_treeView, &QTreeWidget::itemSelectionChanged, this, &CSpaceDlg::onTreeSelection);
    connect(m_treeView, &QWidget::customContextMenuRequested, this, &CSpaceDlg::onTreeMenu);
    connect(m_details->largestFiles(), &QWidget::customContextMenuRequested, this,
            &CSpaceDlg::onFileMenu);
    connect(m_treemap, &CTreemapWidget::tileClicked, this, &CSpaceDlg::onTileClicked);
    connect(m_treemap, &CTreemapWidget::tileDoubleClicked, this, &CSpaceDlg::onTileDoubleClicked);
    connect(m_treemap, &CTreemapWidget::tileMenuRequested, this,
            [this](const TreemapTile& tile, const QPoint& at) {
                if (!m_tree) return;
                if (tile.kind == TreemapTile::Kind::File)
                    runMenu(SpaceItem::ofFile(*m_tree, tile.file), at);
                else if (tile.kind == TreemapTile::Kind::Folder)
                    runMenu(SpaceItem::ofRow(m_tree->row(tile.node)), at);
            });
    connect(m_sizes, &QCheckBox::toggled, this, [this](bool sizes) {
        m_treeView->setShowSizes(sizes);
        showNode(m_shown);
    });
}

void CSpaceDlg::reload() {
    if (m_loading) {
        m_reloadAsked = true;
        return;
    }
    startLoad();
}

void CSpaceDlg::startLoad() {
    if (m_loader.joinable()) m_loader.join();  // it has ended: its result was taken
    m_loading = true;
    m_reloadAsked = false;
    m_status->setText(QStringLiteral("正在读取分析结果…"));
    const std::string path = m_databasePath;
    std::shared_ptr<const CheckedContent> checked = m_checked ? m_checked() : nullptr;
    const bool started = startThread(m_loader, [this, path, checked] {
        auto tree = std::make_shared<SpaceTree>();
        const bool ok = tree->load(path, checked.get());
        QMetaObject::invokeMethod(
            this, [this, tree, ok] { takeTree(tree, ok); }, Qt::QueuedConnection);
    });
    if (!started) {
        m_loading = false;
        m_status->setText(QStringLiteral("无法启动读取分析结果的线程"));
    }
}

void CSpaceDlg::takeTree(std::shared_ptr<const SpaceTree> tree, bool ok) {
    m_loading = false;
    if (m_reloadAsked) {
        startLoad();
        return;
    }
    m_treemap->clear();
    m_details->showNode(nullptr, SpaceTree::kNoNode);
    m_treeView->showTree(nullptr);
    m_tiles.reset();
    m_tree = std::move(tree);
    if (!ok) {
        m_status->setText(QStringLiteral("无法读取分析结果：%1")
                              .arg(QString::fromLocal8Bit(m_tree->errorText().c_str())));
        m_timeLabel->clear();
        emit loaded();
        return;
    }
    m_status->clear();
    QString time = QStringLiteral("分析时间：%1").arg(SpaceFormat::time(m_tree->analysisTime()));
    if (m_tree->previousAnalysisTime() != 0)
        time += QStringLiteral("（变化与 %1 的分析相比）")
                    .arg(SpaceFormat::time(m_tree->previousAnalysisTime()));
    m_timeLabel->setText(time);
    m_tiles = std::make_unique<SpaceTreemapTiles>(*m_tree);
    m_treeView->showTree(m_tree.get());
    SpaceTree::NodeId keep = m_shownPath.empty() ? SpaceTree::kTop : m_tree->find(m_shownPath);
    if (keep == SpaceTree::kNoNode) keep = SpaceTree::kTop;
    zoomTo(keep);
    emit loaded();
}

void CSpaceDlg::zoomTo(SpaceTree::NodeId node) {
    if (!m_tree) return;
    m_quietSelection = true;
    if (QTreeWidgetItem* item = m_treeView->revealNode(node)) {
        m_treeView->setCurrentItem(item);
        m_treeView->scrollToItem(item);
    } else {
        m_treeView->clearSelection();
    }
    m_quietSelection = false;
    showNode(node);
}

void CSpaceDlg::showNode(SpaceTree::NodeId node) {
    m_shown = node;
    m_shownPath = m_tree ? m_tree->row(node).path : std::string();
    fillPathBar();
    if (!m_tree || !m_tiles) {
        m_treemap->clear();
        return;
    }
    const bool diskUsage = !m_sizes->isChecked();
    const SpaceTreemapTiles* tiles = m_tiles.get();
    m_treemap->setBuilder([tiles, node, diskUsage](const QRectF& area) {
        return tiles->build(node, area, diskUsage);
    });
    m_treemap->setSelectedPath(std::string());
    m_details->showNode(m_tree.get(), node);
}

// 全部 for every drive, then one button per node down to the one shown.
void CSpaceDlg::fillPathBar() {
    while (QLayoutItem* old = m_pathLayout->takeAt(0)) {
        delete old->widget();
        delete old;
    }
    std::vector<SpaceTree::NodeId> chain;
    if (m_tree)
        for (SpaceTree::NodeId n = m_shown; n != SpaceTree::kTop && n != SpaceTree::kNoNode;
             n = m_tree->parent(n))
            chain.push_back(n);
    chain.push_back(SpaceTree::kTop);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const SpaceTree::NodeId node = *it;
        auto* button = new QToolButton;
        button->setObjectName("pathButton");
        button->setAutoRaise(true);
        button->setText(node == SpaceTree::kTop ? QStringLiteral("全部")
                                                : itembytes::display(m_tree->row(node).name));
        button->setEnabled(node != m_shown);
        connect(button, &QToolButton::clicked, this, [this, node] { zoomTo(node); });
        m_pathLayout->addWidget(button);
    }
    m_pathLayout->addStretch(1);
}

void CSpaceDlg::onTreeSelection() {
    const QList<QTreeWidgetItem*> selected = m_treeView->selectedItems();
    if (selected.isEmpty() || m_quietSelection) return;
    QTreeWidgetItem* item = selected.first();
    if (CSpaceTreeView::kindOf(item) == SpaceTree::Kind::Unscanned) {
        m_details->showNode(nullptr, SpaceTree::kNoNode);
        return;
    }
    showNode(CSpaceTreeView::nodeOf(item));
}

// Selects the tile's folder in the tree and outlines the tile; the treemap
// keeps the folder it shows.
void CSpaceDlg::onTileClicked(const TreemapTile& tile) {
    const SpaceTree::NodeId node = tile.node;
    m_quietSelection = true;
    if (QTreeWidgetItem* item = m_treeView->revealNode(node)) {
        m_treeView->setCurrentItem(item);
        m_treeView->scrollToItem(item);
    }
    m_quietSelection = false;
    if (m_tree && node != SpaceTree::kNoNode) m_details->showNode(m_tree.get(), node);
    m_treemap->setSelectedPath(tile.path);
}

void CSpaceDlg::onTileDoubleClicked(const TreemapTile& tile) {
    if (tile.kind == TreemapTile::Kind::Folder || tile.kind == TreemapTile::Kind::File ||
        tile.kind == TreemapTile::Kind::Lumped)
        if (tile.node != m_shown) zoomTo(tile.node);
}

void CSpaceDlg::runMenu(const SpaceItem& item, const QPoint& globalPosition) {
    if (!m_tree) return;
    QMenu menu(this);
    menu.setObjectName("spaceItemMenu");
    CSpaceItemActions::addTo(menu, item);
    QAction* chosen = menu.exec(globalPosition);
    if (!chosen) return;
    // The tree stays alive while the command runs, even if a load ends meanwhile.
    const std::shared_ptr<const SpaceTree> tree = m_tree;
    if (!CSpaceItemActions::run(this, *tree, item, chosen->objectName())) return;
    removeRowsOf(item.path);
    if (m_moved) m_moved();
    reload();
}

// The rows of an item that went, until the reload shows the new figures.
void CSpaceDlg::removeRowsOf(const std::string& path) {
    for (QTreeWidget* list : {static_cast<QTreeWidget*>(m_treeView), m_details->largestFiles()}) {
        std::vector<QTreeWidgetItem*> gone;
        for (QTreeWidgetItemIterator it(list); *it; ++it)
            if (itembytes::fromBytes((*it)->data(0, itembytes::kBytesRole).toByteArray()) == path)
                gone.push_back(*it);
        for (QTreeWidgetItem* item : gone) delete item;
    }
    m_treemap->setSelectedPath(std::string());
}

void CSpaceDlg::onTreeMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_treeView->itemAt(position);
    if (!item || !m_tree || CSpaceTreeView::kindOf(item) == SpaceTree::Kind::Unscanned) return;
    runMenu(SpaceItem::ofRow(m_tree->row(CSpaceTreeView::nodeOf(item))),
            m_treeView->viewport()->mapToGlobal(position));
}

void CSpaceDlg::onFileMenu(const QPoint& position) {
    QTreeWidget* list = m_details->largestFiles();
    QTreeWidgetItem* item = list->itemAt(position);
    if (!item || !m_tree) return;
    const std::string path =
        itembytes::fromBytes(item->data(0, itembytes::kBytesRole).toByteArray());
    runMenu(SpaceItem::ofFilePath(*m_tree, path), list->viewport()->mapToGlobal(position));
}
