// SPDX-License-Identifier: MIT
#include "app/CScopeDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/ui/ItemBytes.h"
#include "util/platform/FolderArgument.h"

namespace {

const char* const kExplanation =
    "分析只扫描下列文件夹（文件夹中的子文件夹一并扫描）；列表为空时扫描整个电脑。"
    "受保护文件夹中的文件总是保留，任何操作都不会把它们移到回收站，"
    "并算作保留的那一份副本。";

enum Column { kFolderColumn = 0, kProtectColumn = 1 };

}  // namespace

CScopeDlg::CScopeDlg(const AnalysisScope& scope, QWidget* parent)
    : QDialog(parent),
      m_scope(scope),
      m_wholeComputer(new QCheckBox(QStringLiteral("整个电脑（所有驱动器）"), this)),
      m_folders(new QTableWidget(0, 2, this)),
      m_remove(new QPushButton(QStringLiteral("移除"), this)),
      m_across(new QCheckBox(QStringLiteral("只查找不同文件夹之间的重复文件"), this)) {
    setObjectName("scopeDialog");
    setWindowTitle(QStringLiteral("扫描范围"));
    setSizeGripEnabled(true);
    m_wholeComputer->setObjectName("wholeComputerBox");
    m_folders->setObjectName("folderTable");
    m_remove->setObjectName("removeFolderButton");
    m_across->setObjectName("acrossBox");

    auto* explanation = new QLabel(QString::fromUtf8(kExplanation), this);
    explanation->setObjectName("scopeExplanation");
    explanation->setWordWrap(true);
    m_folders->setHorizontalHeaderLabels(
        {QStringLiteral("文件夹"), QString::fromUtf8(kProtectText)});
    m_folders->horizontalHeader()->setSectionResizeMode(kFolderColumn, QHeaderView::Stretch);
    m_folders->horizontalHeader()->setSectionResizeMode(kProtectColumn,
                                                        QHeaderView::ResizeToContents);
    m_folders->verticalHeader()->hide();
    m_folders->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_folders->setSelectionMode(QAbstractItemView::SingleSelection);
    m_folders->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* add = new QPushButton(QStringLiteral("添加文件夹..."), this);
    add->setObjectName("addFolderButton");
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)
        ->setObjectName("cancelButton");

    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(add);
    folderButtons->addWidget(m_remove);
    folderButtons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_wholeComputer);
    layout->addWidget(explanation);
    layout->addWidget(m_folders, 1);
    layout->addLayout(folderButtons);
    layout->addWidget(m_across);
    layout->addWidget(buttons);
    resize(560, 380);

    m_wholeComputer->setChecked(m_scope.wholeComputer());
    m_across->setChecked(m_scope.across());
    fillTable();
    connect(add, &QPushButton::clicked, this, &CScopeDlg::OnAddFolder);
    connect(m_remove, &QPushButton::clicked, this, &CScopeDlg::OnRemoveFolder);
    connect(m_folders, &QTableWidget::itemChanged, this, &CScopeDlg::OnItemChanged);
    connect(m_folders, &QTableWidget::itemSelectionChanged, this, &CScopeDlg::updateControls);
    connect(m_wholeComputer, &QCheckBox::toggled, this, [this](bool whole) {
        m_scope.setWholeComputer(whole);
        updateControls();
    });
    connect(m_across, &QCheckBox::toggled, this,
            [this](bool across) { m_scope.setAcross(across); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CScopeDlg::fillTable() {
    m_filling = true;
    m_folders->setRowCount(0);
    for (const AnalysisScope::Folder& folder : m_scope.folders()) {
        const int row = m_folders->rowCount();
        m_folders->insertRow(row);
        auto* path = new QTableWidgetItem(itembytes::display(folder.path));
        path->setData(itembytes::kBytesRole, itembytes::toBytes(folder.path));
        path->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_folders->setItem(row, kFolderColumn, path);
        auto* mark = new QTableWidgetItem(QStringLiteral("保护"));
        mark->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        mark->setCheckState(folder.isProtected ? Qt::Checked : Qt::Unchecked);
        m_folders->setItem(row, kProtectColumn, mark);
    }
    m_filling = false;
    updateControls();
}

void CScopeDlg::updateControls() {
    m_remove->setEnabled(!m_folders->selectedItems().isEmpty());
    // Matching across folders needs folders to walk.
    m_across->setEnabled(!m_scope.coversEveryDrive());
}

std::string CScopeDlg::rowFolder(int row) const {
    const QTableWidgetItem* item = m_folders->item(row, kFolderColumn);
    return item ? itembytes::fromBytes(item->data(itembytes::kBytesRole).toByteArray())
                : std::string();
}

bool CScopeDlg::addNativeFolder(const QString& native, QString& reason) {
    const QByteArray bytes = QDir::toNativeSeparators(native).toLocal8Bit();
    std::string folder, why;
    if (!platform::folderFromNative(itembytes::fromBytes(bytes), folder, why)) {
        reason = QString::fromLocal8Bit(why.c_str());
        return false;
    }
    m_scope.addFolder(folder, false);
    fillTable();
    return true;
}

void CScopeDlg::OnAddFolder() {
    const QString native = QFileDialog::getExistingDirectory(this, QStringLiteral("添加文件夹"));
    if (native.isEmpty()) return;
    QString reason;
    if (!addNativeFolder(native, reason))
        QMessageBox::warning(this, QStringLiteral("扫描范围"),
                             QStringLiteral("无法添加文件夹 %1：%2").arg(native, reason));
}

void CScopeDlg::OnRemoveFolder() {
    const QList<QTableWidgetItem*> selected = m_folders->selectedItems();
    if (selected.isEmpty()) return;
    (void)m_scope.removeFolder(rowFolder(selected.first()->row()));
    fillTable();
}

void CScopeDlg::OnItemChanged(QTableWidgetItem* item) {
    if (m_filling || item->column() != kProtectColumn) return;
    (void)m_scope.setProtected(rowFolder(item->row()), item->checkState() == Qt::Checked);
    updateControls();
}
