// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "engine/ui/CTemplateDialog.h"

// The About box (template 100): the icon, the name and version, a contact
// line, and the description in a read-only edit. 确定, Escape and the close
// button end it; nothing is stored.
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The description, bound to edit 1003; filled at initialisation.
    QString m_text;

    // The seven description lines and the two contact lines, CR LF separated.
    static QString descriptionText();

protected:
    bool OnInitDialog() override;
};
