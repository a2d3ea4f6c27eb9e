// SPDX-License-Identifier: MIT
#include "engine/ui/CTemplateDialog.h"

#include <QPushButton>

#include "engine/ui/ControlIds.h"

CTemplateDialog::CTemplateDialog(const DialogTemplate& dialog, QWidget* parent)
    : QDialog(parent), templateId_(dialog.id) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    DialogTemplateBuilder::build(*this, dialog, controls_);
    // Button 1 ends the dialog with the OK code, as the framework's default does.
    if (auto* ok = control<QPushButton>(ids::kOk))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CTemplateDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}
