// SPDX-License-Identifier: MIT
#include "results/ui/CAnalyseListDlg.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <algorithm>
#include <cstdlib>

#include "engine/FileInfoAnalyse.h"
#include "engine/ui/CUpDownControl.h"
#include "engine/ui/ControlIds.h"
#include "engine/ui/ItemBytes.h"
#include "results/FileInfoLoader.h"
#include "results/ui/GroupStateLook.h"
#include "results/ui/IResultViewOwner.h"
#include "util/FileUtility.h"

namespace {

const ControlTemplate kControls[] = {
    {ids::kGroupList, ControlKind::ListView, "", 0, 0, 239, 241, kStyleNone, "groupList"},
    {ids::kPageEdit, ControlKind::Edit, "", 50, 248, 45, 15, kReadOnly | kDigitsOnly, "pageField"},
    {ids::kPageSpin, ControlKind::UpDown, "", 95, 248, 68, 15, kStyleNone, "pageSpinner"},
    {ids::kNoId, ControlKind::Static, "当前页数:", 7, 250, 36, 9, kStyleNone, "pageLabel"},
    {ids::kStatusLine, ControlKind::Static, "Static", 0, 268, 238, 9, kStyleNone, "statusLine"},
};

const DialogTemplate kTemplate = {ids::kListPage,      nullptr, 239, 280, 8, kControls,
                                  std::size(kControls)};

struct Column {
    const char* heading;
    int width;
    Qt::Alignment alignment;
};
const Column kColumns[] = {
    {"序号", 36, Qt::AlignRight},
    {"数量", 36, Qt::AlignRight},
    {"字节大小", 80, Qt::AlignRight},
    {"文件名", 200, Qt::AlignLeft},
};

QTableWidgetItem* cell(const QString& text, int column) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(kColumns[column].alignment | Qt::AlignVCenter);
    return item;
}

// The hide box's rectangle in dialog units: right of the page selector,
// where the template has no control.
constexpr int kHideBox[] = {168, 249, 71, 12};

}  // namespace

const DialogTemplate& CAnalyseListDlg::dialogTemplate() {
    return kTemplate;
}

CAnalyseListDlg::CAnalyseListDlg(IResultViewOwner* owner, FileInfoLoader* loader, QWidget* parent)
    : CTemplatePage(kTemplate, parent),
      m_owner(owner),
      m_loader(loader),
      m_list(control<QTableWidget>(ids::kGroupList)),
      m_pageEdit(control<QLineEdit>(ids::kPageEdit)),
      m_pageSpin(control<CUpDownControl>(ids::kPageSpin)),
      m_hideRefuted(new QCheckBox(QStringLiteral("隐藏内容不同组"), this)) {
    setObjectName("listPage");
    m_hideRefuted->setObjectName("hideRefutedBox");
    m_hideRefuted->setToolTip(
        QStringLiteral("不显示已核对内容、文件各不相同的组（它们不是重复文件）"));
    connect(m_hideRefuted, &QCheckBox::toggled, this, &CAnalyseListDlg::OnHideRefutedToggled);
    OnInitDialog();
    connect(m_pageEdit, &QLineEdit::textChanged, this, &CAnalyseListDlg::OnPageChanged);
    connect(
        m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this](const QItemSelection& selected, const QItemSelection&) { OnItemChanged(selected); });
}

bool CAnalyseListDlg::OnInitDialog() {
    m_list->setUpdatesEnabled(false);
    m_list->setRowCount(0);
    m_list->setColumnCount(int(std::size(kColumns)));
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        auto* heading = new QTableWidgetItem(QString::fromUtf8(kColumns[c].heading));
        heading->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        m_list->setHorizontalHeaderItem(c, heading);
        m_list->setColumnWidth(c, kColumns[c].width);
    }
    m_list->setUpdatesEnabled(true);
    m_pageSpin->setBuddy(m_pageEdit);
    control<QLabel>(ids::kStatusLine)->setText(QString());
    return true;
}

int CAnalyseListDlg::pageCount(int groups) {
    return groups / 26 + (groups % 26 ? 1 : 0);
}

int CAnalyseListDlg::permille(long long duplicateBytes, long long totalBytes) {
    if (totalBytes == 0) return 0;
    return static_cast<int>(double(duplicateBytes) / double(totalBytes) * 1000);
}

void CAnalyseListDlg::refresh() {
    rebuildVisible();
    updatePagingFigures();
    m_owner->ShowDuplicateRatio(permille(m_loader->duplicateBytes(), m_loader->totalBytes()));
    m_pageEdit->setText(QStringLiteral("1"));
    m_list->setUpdatesEnabled(false);
    showPage(0);
    m_list->setUpdatesEnabled(true);
}

void CAnalyseListDlg::showPage(int page) {
    const int groups = shownGroupCount();
    const int start = page * m_pageSize;
    if (page < 0 || start > groups) return;
    m_list->setRowCount(0);
    m_rowMasks.clear();
    const int n = std::min(groups - start, m_pageSize);
    m_list->setRowCount(n);
    for (int position = start; position < start + n; ++position) {
        const int row = position - start;
        const int i = groupAt(position);
        const std::vector<std::string> group = m_loader->GetFileInfo(i);
        const std::string& mask = group[1];
        char size[32];
        FileUtility::formatSize(size, FileInfoAnalyse::sizeFromMask(mask));
        m_list->setItem(row, 0, cell(QString::number(i), 0));
        m_list->setItem(row, 1, cell(QString::number(std::atoi(group[0].c_str())), 1));
        m_list->setItem(row, 2, cell(QString::fromLatin1(size), 2));
        QTableWidgetItem* name = cell(itembytes::display(group[2]), 3);
        name->setData(itembytes::kBytesRole, itembytes::toBytes(group[2]));
        m_list->setItem(row, 3, name);
        m_rowMasks[row] = mask;
        const auto known = m_states.find(mask);
        if (known != m_states.end()) applyState(row, known->second);
    }
}

void CAnalyseListDlg::OnPageChanged() {
    showPage(std::atoi(m_pageEdit->text().toLatin1().constData()) - 1);
}

void CAnalyseListDlg::OnItemChanged(const QItemSelection& selected) {
    if (selected.isEmpty()) return;  // a deselection
    const int row = selected.indexes().first().row();
    const auto it = m_rowMasks.find(row);
    if (row >= 0 && it != m_rowMasks.end()) m_owner->ShowFileList(it->second);
}

void CAnalyseListDlg::resizeEvent(QResizeEvent* event) {
    CTemplatePage::resizeEvent(event);
    m_hideRefuted->setGeometry(DialogTemplateBuilder::toPixels(
        font(), int(kHideBox[0] * placementScaleX()), int(kHideBox[1] * placementScaleY()),
        int(kHideBox[2] * placementScaleX()), int(kHideBox[3] * placementScaleY())));
}

int CAnalyseListDlg::currentPage() const {
    return std::max(0, std::atoi(m_pageEdit->text().toLatin1().constData()) - 1);
}

void CAnalyseListDlg::refreshKeepingPage() {
    const int page = currentPage();
    refresh();
    const int pages = pageCount(shownGroupCount());
    if (page > 0 && page < pages) m_pageEdit->setText(QString::number(page + 1));
}

void CAnalyseListDlg::rebuildVisible() {
    m_visible.clear();
    if (!m_hideRefuted->isChecked()) return;
    std::vector<bool> refuted(std::size_t(m_loader->groupCount()), false);
    for (const auto& [mask, state] : m_states) {
        const int group = m_loader->groupOf(mask);
        if (state == GroupState::Refuted && group >= 0) refuted[std::size_t(group)] = true;
    }
    for (int i = 0; i < int(refuted.size()); ++i)
        if (!refuted[std::size_t(i)]) m_visible.push_back(i);
}

int CAnalyseListDlg::shownGroupCount() const {
    return m_hideRefuted->isChecked() ? int(m_visible.size()) : m_loader->groupCount();
}

int CAnalyseListDlg::groupAt(int position) const {
    return m_hideRefuted->isChecked() ? m_visible[std::size_t(position)] : position;
}

// The status line and the page selector's range over the groups shown.
void CAnalyseListDlg::updatePagingFigures() {
    const int pages = pageCount(shownGroupCount());
    control<QLabel>(ids::kStatusLine)
        ->setText(QStringLiteral("共%1页，共 %2字节，重复 %3字节")
                      .arg(pages)
                      .arg(itembytes::display(m_loader->getTotalSizeText()),
                           itembytes::display(m_loader->getDuplicateSizeText())));
    m_pageSpin->setRange(1, pages);
}

void CAnalyseListDlg::OnHideRefutedToggled() {
    rebuildVisible();
    updatePagingFigures();
    m_pageEdit->setText(QStringLiteral("1"));
    showPage(0);
}

void CAnalyseListDlg::setGroupState(const std::string& mask, GroupState state) {
    m_states[mask] = state;
    if (state == GroupState::Refuted && m_hideRefuted->isChecked()) {
        // The group leaves the pages: show the same page of those left.
        const auto gone =
            std::lower_bound(m_visible.begin(), m_visible.end(), m_loader->groupOf(mask));
        if (gone == m_visible.end() || *gone != m_loader->groupOf(mask)) return;
        const int page = currentPage();
        m_visible.erase(gone);
        updatePagingFigures();
        const int keep = std::min(page, std::max(0, pageCount(shownGroupCount()) - 1));
        if (keep != page)
            m_pageEdit->setText(QString::number(keep + 1));
        else
            showPage(keep);
        return;
    }
    for (const auto& [row, rowMask] : m_rowMasks)
        if (rowMask == mask) applyState(row, state);
}

void CAnalyseListDlg::clearGroupStates() {
    m_states.clear();
    for (const auto& [row, mask] : m_rowMasks) applyState(row, GroupState::Unchecked);
}

GroupState CAnalyseListDlg::groupState(const std::string& mask) const {
    const auto known = m_states.find(mask);
    return known == m_states.end() ? GroupState::Unchecked : known->second;
}

void CAnalyseListDlg::applyState(int row, GroupState state) {
    const QColor colour = groupstate::rowColour(state);
    for (int c = 0; c < m_list->columnCount(); ++c) {
        QTableWidgetItem* item = m_list->item(row, c);
        if (!item) continue;
        item->setToolTip(state == GroupState::Unchecked ? QString() : groupstate::toolTip(state));
        item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    }
    // The icon goes before the name: the number column is too narrow to hold
    // it beside a number of three digits or more.
    if (QTableWidgetItem* name = m_list->item(row, 3)) name->setIcon(groupstate::icon(state));
}
