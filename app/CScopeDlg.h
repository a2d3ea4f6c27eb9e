// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <string>

#include "engine/AnalysisScope.h"

class QCheckBox;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// 扫描范围: the folders an analysis walks instead of every drive, each with
// the mark 保护（不移动其中文件）, the choice of the whole computer (the list
// then keeps only its marks) and the choice to match only across folders.
// It edits a copy of the scope it is given; the opener stores scope() when
// the dialog is accepted. A resizable window of its own.
class CScopeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CScopeDlg(const AnalysisScope& scope, QWidget* parent = nullptr);

    const AnalysisScope& scope() const { return m_scope; }

    // Adds the folder at the native path `native` (what the platform's folder
    // chooser gives). False, with `reason` in the system's words, when it
    // does not exist, is no folder, cannot be read or no drive holds it.
    bool addNativeFolder(const QString& native, QString& reason);

    static constexpr const char* kProtectText = "保护（不移动其中文件）";

private:
    void OnAddFolder();
    void OnRemoveFolder();
    void OnItemChanged(QTableWidgetItem* item);
    void fillTable();
    void updateControls();
    std::string rowFolder(int row) const;

    AnalysisScope m_scope;
    QCheckBox* m_wholeComputer;
    QTableWidget* m_folders;
    QPushButton* m_remove;
    QCheckBox* m_across;
    bool m_filling = false;  // itemChanged is the user's only while the table is not filled
};
