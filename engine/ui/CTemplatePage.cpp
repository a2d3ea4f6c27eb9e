// SPDX-License-Identifier: MIT
#include "engine/ui/CTemplatePage.h"

#include <QResizeEvent>

#include <algorithm>

CTemplatePage::CTemplatePage(const DialogTemplate& page, QWidget* parent)
    : QWidget(parent), page_(page) {
    DialogTemplateBuilder::build(*this, page, controls_);
    // The owner sizes the page; the template's size is only its natural size.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void CTemplatePage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect natural = DialogTemplateBuilder::toPixels(font(), 0, 0, page_.width, page_.height);
    const double scaleX = std::min(1.0, double(width()) / natural.width());
    const double scaleY = std::min(1.0, double(height()) / natural.height());
    if (scaleX != scaleX_ || scaleY != scaleY_) {
        scaleX_ = scaleX;
        scaleY_ = scaleY;
        DialogTemplateBuilder::placeControls(*this, page_, scaleX_, scaleY_);
    }
}
