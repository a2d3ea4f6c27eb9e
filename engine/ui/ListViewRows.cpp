// SPDX-License-Identifier: MIT
#include "engine/ui/ListViewRows.h"

#include <QTableWidget>

#include "engine/ui/ItemBytes.h"

namespace listrows {

void setUpSingleColumn(QTableWidget& list, const QString& heading) {
    list.setColumnCount(1);
    auto* item = new QTableWidgetItem(heading);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list.setHorizontalHeaderItem(0, item);
    list.setColumnWidth(0, list.width() - 22);
}

void fillRows(QTableWidget& list, const std::vector<std::string>& texts) {
    list.setUpdatesEnabled(false);
    list.setRowCount(0);
    list.setRowCount(int(texts.size()));
    for (int row = 0; row < int(texts.size()); ++row) {
        auto* item = new QTableWidgetItem(itembytes::display(texts[row]));
        item->setData(itembytes::kBytesRole, itembytes::toBytes(texts[row]));
        list.setItem(row, 0, item);
    }
    list.setUpdatesEnabled(true);
}

std::string rowBytes(const QTableWidget& list, int row) {
    const QTableWidgetItem* item = list.item(row, 0);
    return item ? itembytes::fromBytes(item->data(itembytes::kBytesRole).toByteArray())
                : std::string();
}

}  // namespace listrows
