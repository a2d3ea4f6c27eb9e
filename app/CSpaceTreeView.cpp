// SPDX-License-Identifier: MIT
#include "app/CSpaceTreeView.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "app/SpaceFormat.h"
#include "engine/ui/ItemBytes.h"

namespace {

constexpr int kFilledRole = Qt::UserRole + 4;   // the children were listed
constexpr int kFiguresRole = Qt::UserRole + 5;  // diskUsage, size (qulonglong)

// The share of the parent as a bar with its percentage.
class ShareBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, QModelIndex());
        const QVariant value = index.data(CSpaceTreeView::kShareRole);
        if (!value.isValid()) return;
        const double share = std::clamp(value.toDouble(), 0.0, 1.0);
        const QRect frame = option.rect.adjusted(2, 3, -2, -3);
        painter->save();
        painter->fillRect(frame, QColor(235, 235, 235));
        painter->fillRect(QRect(frame.topLeft(), QSize(int(frame.width() * share), frame.height())),
                          QColor(90, 140, 200));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(frame, Qt::AlignCenter, SpaceFormat::share(share));
        painter->restore();
    }
};

}  // namespace

CSpaceTreeView::CSpaceTreeView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(kColumnCount);
    setHeaderLabels({QStringLiteral("名称"), QStringLiteral("占用"), QStringLiteral("比例"),
                     QStringLiteral("文件数"), QStringLiteral("有副本"), QStringLiteral("变化")});
    setItemDelegateForColumn(kShare, new ShareBarDelegate(this));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setColumnWidth(kName, 220);
    connect(this, &QTreeWidget::itemExpanded, this, &CSpaceTreeView::fillChildren);
}

void CSpaceTreeView::showTree(const SpaceTree* tree) {
    clear();
    m_tree = tree;
    if (!m_tree) return;
    const std::uint64_t total = bytesOf(m_tree->row(SpaceTree::kTop).figures);
    for (const SpaceTree::Row& row : m_tree->children(SpaceTree::kTop))
        addTopLevelItem(makeItem(row, total));
    for (int i = 0; i < topLevelItemCount(); ++i) topLevelItem(i)->setExpanded(true);
}

std::uint64_t CSpaceTreeView::bytesOf(const SpaceTree::Figures& figures) const {
    return m_sizes ? figures.size : figures.diskUsage;
}

QTreeWidgetItem* CSpaceTreeView::makeItem(const SpaceTree::Row& row,
                                          std::uint64_t parentBytes) const {
    auto* item = new QTreeWidgetItem;
    item->setText(kName, itembytes::display(row.name));
    item->setData(kName, itembytes::kBytesRole, itembytes::toBytes(row.path));
    item->setData(kName, kNodeRole, qulonglong(row.id));
    item->setData(kName, kKindRole, int(row.kind));
    item->setData(kBytes, kFiguresRole,
                  QVariantList{qulonglong(row.figures.diskUsage), qulonglong(row.figures.size)});
    for (int column : {int(kBytes), int(kFiles), int(kCopied), int(kChange)})
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    if (row.kind == SpaceTree::Kind::Unscanned) {
        item->setForeground(kName, QColor(110, 110, 110));
    } else {
        const SpaceTree::Figures& f = row.figures;
        item->setText(kFiles, SpaceFormat::count(f.files));
        item->setText(kCopied, f.allCopied ? QStringLiteral("全部有副本")
                                           : QStringLiteral("%1 (%2)").arg(
                                                 SpaceFormat::bytes(f.copiedBytes),
                                                 SpaceFormat::share(f.copiedShare())));
        if (f.allCopied) item->setForeground(kCopied, QColor(30, 120, 40));
        if (f.hasChange) item->setText(kChange, SpaceFormat::change(f.change));
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    writeFigures(item, parentBytes);
    return item;
}

void CSpaceTreeView::writeFigures(QTreeWidgetItem* item, std::uint64_t parentBytes) const {
    const QVariantList figures = item->data(kBytes, kFiguresRole).toList();
    const std::uint64_t bytes = figures.value(m_sizes ? 1 : 0).toULongLong();
    item->setText(kBytes, SpaceFormat::bytes(bytes));
    item->setData(kShare, kShareRole, parentBytes == 0 ? 0.0 : double(bytes) / double(parentBytes));
}

void CSpaceTreeView::fillChildren(QTreeWidgetItem* parent) {
    if (!m_tree || parent->data(kName, kFilledRole).toBool()) return;
    parent->setData(kName, kFilledRole, true);
    const std::vector<SpaceTree::Row> rows = m_tree->children(nodeOf(parent));
    // A drive's rows share its used space: the scanned total and 未扫描.
    std::uint64_t parentBytes =
        parent->data(kBytes, kFiguresRole).toList().value(m_sizes ? 1 : 0).toULongLong();
    for (const SpaceTree::Row& row : rows)
        if (row.kind == SpaceTree::Kind::Unscanned) parentBytes += bytesOf(row.figures);
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const SpaceTree::Row& row : rows) items.append(makeItem(row, parentBytes));
    parent->addChildren(items);
    if (items.isEmpty()) parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CSpaceTreeView::setShowSizes(bool sizes) {
    if (sizes == m_sizes) return;
    m_sizes = sizes;
    headerItem()->setText(kBytes, sizes ? QStringLiteral("大小") : QStringLiteral("占用"));
    const std::uint64_t total = m_tree ? bytesOf(m_tree->row(SpaceTree::kTop).figures) : 0;
    for (int i = 0; i < topLevelItemCount(); ++i) rewriteFigures(topLevelItem(i), total);
}

void CSpaceTreeView::rewriteFigures(QTreeWidgetItem* item, std::uint64_t parentBytes) {
    writeFigures(item, parentBytes);
    std::uint64_t bytes =
        item->data(kBytes, kFiguresRole).toList().value(m_sizes ? 1 : 0).toULongLong();
    for (int i = 0; i < item->childCount(); ++i)  // as fillChildren counts them
        if (kindOf(item->child(i)) == SpaceTree::Kind::Unscanned)
            bytes += item->child(i)
                         ->data(kBytes, kFiguresRole)
                         .toList()
                         .value(m_sizes ? 1 : 0)
                         .toULongLong();
    for (int i = 0; i < item->childCount(); ++i) rewriteFigures(item->child(i), bytes);
}

QTreeWidgetItem* CSpaceTreeView::revealNode(SpaceTree::NodeId node) {
    if (!m_tree || node == SpaceTree::kTop || node == SpaceTree::kNoNode) return nullptr;
    std::vector<SpaceTree::NodeId> chain{node};
    for (SpaceTree::NodeId up = m_tree->parent(node);
         up != SpaceTree::kTop && up != SpaceTree::kNoNode; up = m_tree->parent(up))
        chain.push_back(up);
    QTreeWidgetItem* found = nullptr;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const int count = found ? found->childCount() : topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* child = found ? found->child(i) : topLevelItem(i);
            if (kindOf(child) != SpaceTree::Kind::Unscanned && nodeOf(child) == *it) next = child;
        }
        if (!next) return nullptr;
        if (std::next(it) != chain.rend()) {
            fillChildren(next);
            next->setExpanded(true);
        }
        found = next;
    }
    return found;
}

SpaceTree::NodeId CSpaceTreeView::nodeOf(const QTreeWidgetItem* item) {
    return item ? SpaceTree::NodeId(item->data(kName, kNodeRole).toULongLong())
                : SpaceTree::kNoNode;
}

SpaceTree::Kind CSpaceTreeView::kindOf(const QTreeWidgetItem* item) {
    return item ? SpaceTree::Kind(item->data(kName, kKindRole).toInt())
                : SpaceTree::Kind::Unscanned;
}

std::string CSpaceTreeView::pathOf(const QTreeWidgetItem* item) {
    return item ? itembytes::fromBytes(item->data(kName, itembytes::kBytesRole).toByteArray())
                : std::string();
}
