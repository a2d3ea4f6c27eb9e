// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include "engine/ui/DialogTemplate.h"

// A modal dialog built from a template: fixed size, a caption with a close
// button and no other frame buttons. Enter presses the default button;
// Escape and the close button end the dialog with the cancel code (reject),
// as a template dialog does. OnInitDialog runs once, when the dialog is first
// shown (so a modal run initialises it right before its loop starts).
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    CTemplateDialog(const DialogTemplate& dialog, QWidget* parent);

    int templateId() const { return templateId_; }

    template <class T>
    T* control(int id) const {
        return controls_.template get<T>(id);
    }

protected:
    virtual bool OnInitDialog() { return true; }
    void showEvent(QShowEvent* event) override;

private:
    ControlMap controls_;
    int templateId_;
    bool initialised_ = false;
};
