// SPDX-License-Identifier: MIT
#include "app/CKeepRulesEditor.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/ui/ItemBytes.h"
#include "util/platform/FileSystem.h"

namespace {

// The kinds the user may add, in the order offered.
const KeepRule::Kind kKinds[] = {
    KeepRule::Kind::PlainName,    KeepRule::Kind::Oldest,      KeepRule::Kind::Newest,
    KeepRule::Kind::ShortestPath, KeepRule::Kind::LongestPath, KeepRule::Kind::Shallowest,
    KeepRule::Kind::Deepest,      KeepRule::Kind::InFolder,
};

QString wordsOf(const KeepRule& rule) {
    if (rule.kind == KeepRule::Kind::InFolder)
        return QStringLiteral("在文件夹 %1 中").arg(itembytes::display(rule.folder));
    return QString::fromUtf8(rule.description().c_str());
}

}  // namespace

CKeepRulesEditor::CKeepRulesEditor(std::vector<KeepRule> rules, QWidget* parent)
    : QWidget(parent),
      m_rules(std::move(rules)),
      m_list(new QListWidget(this)),
      m_kinds(new QComboBox(this)),
      m_remove(new QPushButton(QStringLiteral("删除"), this)),
      m_up(new QPushButton(QStringLiteral("上移"), this)),
      m_down(new QPushButton(QStringLiteral("下移"), this)) {
    setObjectName("keepRulesEditor");
    m_list->setObjectName("keepRuleList");
    m_kinds->setObjectName("keepRuleKinds");
    m_remove->setObjectName("removeRuleButton");
    m_up->setObjectName("moveRuleUpButton");
    m_down->setObjectName("moveRuleDownButton");
    for (const KeepRule::Kind kind : kKinds) {
        KeepRule rule;
        rule.kind = kind;
        m_kinds->addItem(
            kind == KeepRule::Kind::InFolder ? QStringLiteral("在指定文件夹中...") : wordsOf(rule),
            int(kind));
    }
    auto* add = new QPushButton(QStringLiteral("添加"), this);
    add->setObjectName("addRuleButton");
    auto* first = new QLabel(QStringLiteral("总是最先：在受保护的文件夹中（扫描范围）"), this);
    first->setObjectName("protectedRuleLabel");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_kinds, 1);
    buttons->addWidget(add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    // Room for a handful of rules; the preview below needs the height.
    m_list->setMaximumHeight(m_list->fontMetrics().height() * 6 + 2 * m_list->frameWidth());
    fillList(-1);
    connect(add, &QPushButton::clicked, this, &CKeepRulesEditor::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CKeepRulesEditor::OnRemove);
    connect(m_up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMove(1); });
    connect(m_list, &QListWidget::currentRowChanged, this, &CKeepRulesEditor::updateButtons);
}

void CKeepRulesEditor::fillList(int selected) {
    m_list->clear();
    for (std::size_t i = 0; i < m_rules.size(); ++i)
        m_list->addItem(QStringLiteral("%1. %2").arg(int(i) + 1).arg(wordsOf(m_rules[i])));
    m_list->setCurrentRow(selected);
    updateButtons();
}

void CKeepRulesEditor::updateButtons() {
    const int row = m_list->currentRow();
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < int(m_rules.size()));
}

void CKeepRulesEditor::addRule(const KeepRule& rule) {
    m_rules.push_back(rule);
    fillList(int(m_rules.size()) - 1);
    emit changed();
}

void CKeepRulesEditor::OnAdd() {
    KeepRule rule;
    rule.kind = static_cast<KeepRule::Kind>(m_kinds->currentData().toInt());
    if (rule.kind == KeepRule::Kind::InFolder) {
        const QString native =
            QFileDialog::getExistingDirectory(this, QStringLiteral("保留此文件夹中的文件"));
        if (native.isEmpty()) return;
        const std::string bytes =
            itembytes::fromBytes(QDir::toNativeSeparators(native).toLocal8Bit());
        if (!platform::fromNativePath(bytes, rule.folder)) {
            QMessageBox::warning(this, QStringLiteral("保留规则"),
                                 QStringLiteral("文件夹 %1 不在任何驱动器上。").arg(native));
            return;
        }
        if (rule.folder.empty() || rule.folder.back() != '\\') rule.folder += '\\';
    }
    addRule(rule);
}

void CKeepRulesEditor::OnRemove() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= int(m_rules.size())) return;
    m_rules.erase(m_rules.begin() + row);
    fillList(std::min(row, int(m_rules.size()) - 1));
    emit changed();
}

void CKeepRulesEditor::OnMove(int by) {
    const int row = m_list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= int(m_rules.size())) return;
    std::swap(m_rules[std::size_t(row)], m_rules[std::size_t(to)]);
    fillList(to);
    emit changed();
}
