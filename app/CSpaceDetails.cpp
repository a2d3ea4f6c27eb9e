// SPDX-License-Identifier: MIT
#include "app/CSpaceDetails.h"

#include <QPixmap>
#include <QTreeWidget>

#include "app/CTreemapWidget.h"
#include "app/SpaceFormat.h"
#include "engine/ui/ItemBytes.h"

namespace {

QTreeWidget* makeList(const QStringList& headings, const char* name) {
    auto* list = new QTreeWidget;
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(headings);
    list->setColumnWidth(0, 260);
    return list;
}

QIcon swatch(int category) {
    QPixmap square(12, 12);
    square.fill(CTreemapWidget::categoryColor(category));
    return QIcon(square);
}

}  // namespace

CSpaceDetails::CSpaceDetails(QWidget* parent)
    : QTabWidget(parent),
      m_files(makeList({QStringLiteral("文件"), QStringLiteral("大小"), QStringLiteral("占用"),
                        QStringLiteral("类型"), QStringLiteral("有副本")},
                       "largestFiles")),
      m_categories(
          makeList({QStringLiteral("类型"), QStringLiteral("大小"), QStringLiteral("比例")},
                   "categoryBytes")) {
    m_files->setContextMenuPolicy(Qt::CustomContextMenu);
    addTab(m_files, QStringLiteral("最大的文件"));
    addTab(m_categories, QStringLiteral("按类型（图例）"));
}

void CSpaceDetails::showNode(const SpaceTree* tree, SpaceTree::NodeId node) {
    m_files->clear();
    m_categories->clear();
    if (!tree || node == SpaceTree::kNoNode) return;
    fillFiles(tree->largestFiles(node, kLargestFiles));
    fillCategories(tree->categoryBytes(node));
}

void CSpaceDetails::fillFiles(const std::vector<SpaceTree::LargeFile>& files) {
    QList<QTreeWidgetItem*> items;
    for (const SpaceTree::LargeFile& file : files) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, itembytes::display(file.path));
        item->setData(0, itembytes::kBytesRole, itembytes::toBytes(file.path));
        item->setText(1, SpaceFormat::bytes(file.size));
        item->setText(2, SpaceFormat::bytes(file.diskUsage));
        item->setIcon(3, swatch(file.category));
        item->setText(3, CTreemapWidget::categoryName(file.category));
        item->setText(4, file.copiedElsewhere ? QStringLiteral("有") : QString());
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_files->addTopLevelItems(items);
}

void CSpaceDetails::fillCategories(const SpaceTree::CategoryBytes& bytes) {
    const std::uint64_t all = bytes[FileCategories::kAll];
    for (int code = 1; code < FileCategories::kCategoryCount; ++code) {
        auto* item = new QTreeWidgetItem;
        item->setIcon(0, swatch(code));
        item->setText(0, CTreemapWidget::categoryName(code));
        item->setData(0, Qt::UserRole, code);
        item->setText(1, SpaceFormat::bytes(bytes[std::size_t(code)]));
        item->setText(
            2, SpaceFormat::share(all == 0 ? 0.0 : double(bytes[std::size_t(code)]) / double(all)));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        m_categories->addTopLevelItem(item);
    }
    auto* total = new QTreeWidgetItem({QStringLiteral("所有"), SpaceFormat::bytes(all), QString()});
    total->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_categories->addTopLevelItem(total);
}
