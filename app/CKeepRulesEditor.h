// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <vector>

#include "engine/KeepRule.h"

class QComboBox;
class QListWidget;
class QPushButton;

// The keep rules of a clean-up as an ordered list the user edits: a rule
// chosen from the list of kinds is added (在文件夹中 asks for the folder),
// the selected one removed or moved up and down. Being in a protected folder
// always comes first and is shown above the list, not in it. Emits changed()
// after every edit.
class CKeepRulesEditor : public QWidget {
    Q_OBJECT
public:
    explicit CKeepRulesEditor(std::vector<KeepRule> rules, QWidget* parent = nullptr);

    const std::vector<KeepRule>& rules() const { return m_rules; }
    // Adds `rule` at the end, as the add button does once the rule is known.
    void addRule(const KeepRule& rule);

signals:
    void changed();

private:
    void OnAdd();
    void OnRemove();
    void OnMove(int by);
    void fillList(int selected);
    void updateButtons();

    std::vector<KeepRule> m_rules;
    QListWidget* m_list;
    QComboBox* m_kinds;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
};
