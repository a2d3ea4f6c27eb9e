// SPDX-License-Identifier: MIT
#pragma once

#include <QTableView>

class CleanupPlanModel;

// The preview table of the clean-up dialog over its own CleanupPlanModel:
// whole rows selected, one line per row, the files that go taking the
// width left; a double click (or F2) on a file that stays opens the list of
// the files that may stay instead.
class CCleanupPreview : public QTableView {
    Q_OBJECT
public:
    explicit CCleanupPreview(QWidget* parent = nullptr);

    CleanupPlanModel& plan() const { return *m_plan; }

private:
    CleanupPlanModel* m_plan;
};
