// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "engine/ui/DialogTemplate.h"

// A captionless child page built from a template, placed, shown and hidden
// by its owner (a tab of the main window). Unlike a dialog it never ends:
// Escape and Enter pass on to the window that holds it.
//
// The owner sizes the page to its tab. Where the page font's units make the
// template larger than that room (the page's font is smaller than its
// owner's, and fonts do not scale evenly), the controls are placed at a
// reduced scale in that direction so that every one stays whole and visible;
// a page with room enough keeps the template's exact rectangles.
class CTemplatePage : public QWidget {
    Q_OBJECT
public:
    CTemplatePage(const DialogTemplate& page, QWidget* parent);

    template <class T>
    T* control(int id) const {
        return controls_.template get<T>(id);
    }

    // The factors the controls are placed at: 1, or less in a direction in
    // which the page is smaller than its template.
    double placementScaleX() const { return scaleX_; }
    double placementScaleY() const { return scaleY_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    const DialogTemplate& page_;
    ControlMap controls_;
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
};
