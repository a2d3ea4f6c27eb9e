// SPDX-License-Identifier: MIT
#include "app/CIgnoreFolderDlg.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <vector>

#include "engine/ui/ControlIds.h"
#include "engine/ui/ListViewRows.h"
#include "results/FileInfoLoader.h"

namespace {

const ControlTemplate kControls[] = {
    {ids::kOk, ControlKind::DefaultPushButton, "确定", 259, 200, 50, 14, kStyleNone, "okButton"},
    {ids::kIgnoredList, ControlKind::ListView, "", 7, 7, 302, 160, kStyleNone, "ignoredList"},
    {ids::kReleaseButton, ControlKind::PushButton, "取消屏蔽", 259, 175, 50, 14, kStyleNone,
     "releaseButton"},
    {ids::kIgnoreExplanation, ControlKind::Edit, "", 7, 171, 238, 43,
     kReadOnly | kMultiLine | kNoBorder, "explanationText"},
};

const DialogTemplate kTemplate = {ids::kIgnoreDialog, "屏蔽目录管理",      316, 221, 8,
                                  kControls,          std::size(kControls)};

const char* const kExplanation[] = {
    "列表中包含被屏蔽的目录，管理器将不会去扫描。电脑中很多",
    "文件是系统文件和一些程序软件，那些文件对使用者无用，本",
    "软件将不会分析那些文件。大家可以在文件浏览视图中右键将",
    "不需要管理的目录添加到屏蔽列表。",
};

}  // namespace

CIgnoreFolderDlg::CIgnoreFolderDlg(QWidget* parent)
    : CTemplateDialog(kTemplate, parent),
      m_folderList(control<QTableWidget>(ids::kIgnoredList)),
      m_explanation(control<QPlainTextEdit>(ids::kIgnoreExplanation)) {
    setObjectName("ignoreFolderDialog");
    connect(
        m_folderList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this](const QItemSelection& selected, const QItemSelection&) { OnItemChanged(selected); });
    connect(control<QPushButton>(ids::kReleaseButton), &QPushButton::clicked, this,
            &CIgnoreFolderDlg::OnRelease);
}

QString CIgnoreFolderDlg::explanationText() {
    QStringList lines;
    for (const char* line : kExplanation) lines << QString::fromUtf8(line);
    return lines.join(QStringLiteral("\r\n"));
}

bool CIgnoreFolderDlg::OnInitDialog() {
    control<QPushButton>(ids::kReleaseButton)->setEnabled(false);
    listrows::setUpSingleColumn(*m_folderList, QStringLiteral("已屏蔽目录"));
    fillList();
    m_explanation->setPlainText(explanationText().replace(QStringLiteral("\r\n"), "\n"));
    return true;
}

void CIgnoreFolderDlg::fillList() {
    std::vector<std::string> folders;
    if (m_loader) (void)m_loader->database().loadIgnoredFolders(folders);
    listrows::fillRows(*m_folderList, folders);
}

void CIgnoreFolderDlg::OnItemChanged(const QItemSelection& selected) {
    auto* release = control<QPushButton>(ids::kReleaseButton);
    if (selected.isEmpty()) {
        release->setEnabled(false);
        return;
    }
    const int row = selected.indexes().first().row();
    m_selectedFolder = listrows::rowBytes(*m_folderList, row);
    m_selectedRow = row;
    release->setEnabled(true);
}

void CIgnoreFolderDlg::OnRelease() {
    if (m_loader) m_loader->database().removeIgnoredFolder(m_selectedFolder);
    m_folderList->removeRow(m_selectedRow);
    control<QPushButton>(ids::kReleaseButton)->setEnabled(false);
}
