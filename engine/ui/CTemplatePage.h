// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "engine/ui/DialogTemplate.h"

// A captionless child page built from a template, placed, shown and hidden
// by its owner (a tab of the main window). Unlike a dialog it never ends:
// Escape and Enter pass on to the window that holds it.
class CTemplatePage : public QWidget {
    Q_OBJECT
public:
    CTemplatePage(const DialogTemplate& page, QWidget* parent);

    template <class T>
    T* control(int id) const {
        return controls_.template get<T>(id);
    }

private:
    ControlMap controls_;
};
