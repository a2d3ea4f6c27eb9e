// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

// Edits the file that stays of a row of the clean-up preview
// (CleanupPlanModel's 保留的文件 column) with a list of the files of its
// class; a choice applies at once.
class CKeepFileDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    void commitAndClose();
};
