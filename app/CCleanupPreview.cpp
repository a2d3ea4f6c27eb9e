// SPDX-License-Identifier: MIT
#include "app/CCleanupPreview.h"

#include <QHeaderView>

#include "app/CKeepFileDelegate.h"
#include "app/CleanupPlanModel.h"

namespace {

// Widths of the columns that do not stretch, in average characters.
constexpr int kGroupWidth = 18;
constexpr int kKeepWidth = 36;
constexpr int kBytesWidth = 13;  // "999.99 K" and the cell's margins

}  // namespace

CCleanupPreview::CCleanupPreview(QWidget* parent)
    : QTableView(parent), m_plan(new CleanupPlanModel(this)) {
    setObjectName("previewTable");
    setModel(m_plan);
    setItemDelegateForColumn(CleanupPlanModel::kKeepColumn, new CKeepFileDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    verticalHeader()->hide();
    setWordWrap(false);
    const int character = fontMetrics().averageCharWidth();
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->resizeSection(CleanupPlanModel::kGroupColumn, kGroupWidth * character);
    header->resizeSection(CleanupPlanModel::kKeepColumn, kKeepWidth * character);
    header->setSectionResizeMode(CleanupPlanModel::kMovingColumn, QHeaderView::Stretch);
    header->resizeSection(CleanupPlanModel::kBytesColumn, kBytesWidth * character);
}
