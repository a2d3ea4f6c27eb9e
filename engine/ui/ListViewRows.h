// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <vector>

class QTableWidget;

// Helpers for the report-mode lists that show one path per row.
namespace listrows {

// One left-aligned column headed `heading`, as wide as the list minus 22
// pixels (room for the vertical scroll bar).
void setUpSingleColumn(QTableWidget& list, const QString& heading);

// Replaces the rows with one per text, in order, each showing its decoded
// text and keeping its bytes; redrawing is off meanwhile.
void fillRows(QTableWidget& list, const std::vector<std::string>& texts);

// The bytes kept by the first cell of `row`; empty for a row that is not there.
std::string rowBytes(const QTableWidget& list, int row);

}  // namespace listrows
