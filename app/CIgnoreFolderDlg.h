// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "engine/ui/CTemplateDialog.h"

class CQuorrelDlg;
class FileInfoLoader;
class QItemSelection;
class QPlainTextEdit;
class QTableWidget;

// The ignored-folder manager (template 134): lists the folders that scans
// leave out (FILEINFO_IGR) and releases the selected one on 取消屏蔽. It uses
// the loader's database connection and reloads nothing: a released folder
// comes back with the next analysis. A failed deletion still removes the row
// from the list; it is listed again the next time the manager opens.
class CIgnoreFolderDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CIgnoreFolderDlg(QWidget* parent = nullptr);

    // Set by the opener before the dialog is shown; the loader's connection
    // is open by then.
    CQuorrelDlg* m_owner = nullptr;
    FileInfoLoader* m_loader = nullptr;

    static QString explanationText();

protected:
    bool OnInitDialog() override;

private:
    void OnItemChanged(const QItemSelection& selected);
    void OnRelease();
    void fillList();

    std::string m_selectedFolder;  // bytes of the row last selected
    int m_selectedRow = -1;
    QTableWidget* m_folderList;
    QPlainTextEdit* m_explanation;
};
