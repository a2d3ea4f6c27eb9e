// SPDX-License-Identifier: MIT
#include "engine/ui/CTemplatePage.h"

CTemplatePage::CTemplatePage(const DialogTemplate& page, QWidget* parent) : QWidget(parent) {
    DialogTemplateBuilder::build(*this, page, controls_);
    // The owner sizes the page to its tab; the template's size is only the default.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}
