// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/CleanupPlanner.h"

// The preview of a clean-up: one row per step of the plan, with the group,
// the file that stays, the files that go (or why the step moves nothing) and
// the bytes it frees. The file that stays is the one cell the user edits
// (its value is the file's index in the group); the step is then planned
// again around that file and the whole plan checked again, so a choice that
// would take the last copy of a file elsewhere refuses that other step.
class CleanupPlanModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kGroupColumn, kKeepColumn, kMovingColumn, kBytesColumn, kColumnCount };

    explicit CleanupPlanModel(QObject* parent = nullptr);

    // Shows the plan `planner` makes over `groups`; `names` are the groups'
    // names, beside them.
    void setPlan(std::shared_ptr<const std::vector<GroupCheck>> groups,
                 std::vector<std::string> names, const CleanupPlanner& planner);
    void clear();

    const std::shared_ptr<const std::vector<GroupCheck>>& groups() const { return m_groups; }
    const std::vector<CleanupStep>& steps() const { return m_steps; }
    // The files that may stay in the step of `row`, as (index in the group,
    // path), in the group's order.
    std::vector<std::pair<int, std::string>> candidates(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // A refusal of the plan in the user's words.
    static QString refusalText(const std::string& refusal);

signals:
    // The files or bytes of the plan changed (the user chose another file to stay).
    void planChanged();

private:
    QString pathOf(const CleanupStep& step, int file) const;
    QString displayText(const CleanupStep& step, int column) const;

    std::shared_ptr<const std::vector<GroupCheck>> m_groups;
    std::vector<std::string> m_names;
    std::vector<CleanupStep> m_steps;
    CleanupPlanner m_planner{{}, {}};
};
