// SPDX-License-Identifier: MIT
#include "app/CleanupPlanModel.h"

#include <QBrush>

#include "app/CleanupSummaryText.h"
#include "engine/ui/ItemBytes.h"
#include "results/ui/GroupStateLook.h"

CleanupPlanModel::CleanupPlanModel(QObject* parent) : QAbstractTableModel(parent) {}

void CleanupPlanModel::setPlan(std::shared_ptr<const std::vector<GroupCheck>> groups,
                               std::vector<std::string> names, const CleanupPlanner& planner) {
    beginResetModel();
    m_groups = std::move(groups);
    m_names = std::move(names);
    m_planner = planner;
    m_steps = m_groups ? m_planner.plan(*m_groups) : std::vector<CleanupStep>();
    endResetModel();
    emit planChanged();
}

void CleanupPlanModel::clear() {
    beginResetModel();
    m_groups.reset();
    m_names.clear();
    m_steps.clear();
    endResetModel();
    emit planChanged();
}

int CleanupPlanModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_steps.size());
}

int CleanupPlanModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString CleanupPlanModel::refusalText(const std::string& refusal) {
    if (refusal == CleanupPlanner::kCrossingRefusal)
        return QStringLiteral("另一组保留了其中的文件，移动可能删去最后一份副本");
    return QString::fromLocal8Bit(refusal.c_str());
}

QString CleanupPlanModel::pathOf(const CleanupStep& step, int file) const {
    return itembytes::display((*m_groups)[step.group].files[std::size_t(file)].path());
}

QString CleanupPlanModel::displayText(const CleanupStep& step, int column) const {
    const GroupCheck& group = (*m_groups)[step.group];
    switch (column) {
        case kGroupColumn: {
            QString name = itembytes::display(m_names[step.group]);
            // A partly identical group has a step per class of copies.
            if (group.state == GroupState::Partly)
                name += QStringLiteral("（%1）").arg(groupstate::fileClassText(group, step.keep));
            return name;
        }
        case kKeepColumn:
            return pathOf(step, step.keep);
        case kMovingColumn: {
            if (!step.refusal.empty())
                return QStringLiteral("不移动：") + refusalText(step.refusal);
            QStringList paths;
            for (const int file : step.moving) paths << pathOf(step, file);
            return paths.join(QStringLiteral("；"));
        }
        case kBytesColumn:
            return step.refusal.empty() ? cleanuptext::sizeText(step.bytes) : QStringLiteral("—");
    }
    return QString();
}

QVariant CleanupPlanModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_steps.size())) return QVariant();
    const CleanupStep& step = m_steps[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return displayText(step, index.column());
        case Qt::EditRole:
            return index.column() == kKeepColumn ? QVariant(step.keep) : QVariant();
        case Qt::ToolTipRole: {
            if (index.column() == kKeepColumn) return QStringLiteral("双击可改选保留的文件");
            if (index.column() != kMovingColumn) return QVariant();
            QStringList paths;
            for (const int file : step.moving) paths << pathOf(step, file);
            return paths.join('\n');
        }
        case Qt::ForegroundRole:
            return step.refusal.empty() ? QVariant() : QVariant(QBrush(Qt::gray));
        case Qt::TextAlignmentRole:
            return index.column() == kBytesColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                  : QVariant();
    }
    return QVariant();
}

QVariant CleanupPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    static const char* const kHeadings[] = {"组", "保留的文件", "移到回收站的文件", "可释放"};
    return section >= 0 && section < kColumnCount ? QString::fromUtf8(kHeadings[section])
                                                  : QVariant();
}

Qt::ItemFlags CleanupPlanModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kKeepColumn) flags |= Qt::ItemIsEditable;
    return flags;
}

std::vector<std::pair<int, std::string>> CleanupPlanModel::candidates(int row) const {
    std::vector<std::pair<int, std::string>> files;
    if (row < 0 || row >= int(m_steps.size())) return files;
    const CleanupStep& step = m_steps[std::size_t(row)];
    const GroupCheck& group = (*m_groups)[step.group];
    for (const int member : group.classes[std::size_t(step.contentClass)])
        files.emplace_back(member, group.files[std::size_t(member)].path());
    return files;
}

bool CleanupPlanModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != kKeepColumn ||
        index.row() >= int(m_steps.size()))
        return false;
    CleanupStep& step = m_steps[std::size_t(index.row())];
    const GroupCheck& group = (*m_groups)[step.group];
    if (value.toInt() == step.keep || !m_planner.choose(group, step, value.toInt())) return false;
    // The choice may keep a file another step moves, or free one it refused.
    CleanupPlanner::refuseCrossings(*m_groups, m_steps);
    emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, kColumnCount - 1));
    emit planChanged();
    return true;
}
