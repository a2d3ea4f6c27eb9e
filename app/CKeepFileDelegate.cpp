// SPDX-License-Identifier: MIT
#include "app/CKeepFileDelegate.h"

#include <QComboBox>

#include "app/CleanupPlanModel.h"
#include "engine/ui/ItemBytes.h"

QWidget* CKeepFileDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const auto* model = qobject_cast<const CleanupPlanModel*>(index.model());
    if (model == nullptr || index.column() != CleanupPlanModel::kKeepColumn)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* files = new QComboBox(parent);
    files->setObjectName("keepFileChoice");
    for (const auto& [file, path] : model->candidates(index.row()))
        files->addItem(itembytes::display(path), file);
    // A choice is the whole edit: hand it over and close at once.
    connect(files, QOverload<int>::of(&QComboBox::activated), this,
            &CKeepFileDelegate::commitAndClose);
    return files;
}

void CKeepFileDelegate::commitAndClose() {
    auto* editor = qobject_cast<QWidget*>(sender());
    if (editor == nullptr) return;
    emit commitData(editor);
    emit closeEditor(editor);
}

void CKeepFileDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* files = qobject_cast<QComboBox*>(editor);
    if (files == nullptr) return QStyledItemDelegate::setEditorData(editor, index);
    files->setCurrentIndex(files->findData(index.data(Qt::EditRole)));
}

void CKeepFileDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
    auto* files = qobject_cast<QComboBox*>(editor);
    if (files == nullptr) return QStyledItemDelegate::setModelData(editor, model, index);
    model->setData(index, files->currentData(), Qt::EditRole);
}
