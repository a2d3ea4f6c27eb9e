// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>

#include "engine/ui/CTemplatePage.h"

class CUpDownControl;
class FileInfoLoader;
class IResultViewOwner;
class QItemSelection;
class QLineEdit;
class QTableWidget;

// The first tab page (template 130): the groups of the loaded category, 26 to
// a page, with a wrapping page selector and a status line of the category's
// total and duplicated bytes. refresh() reports the duplicate ratio to the
// owner; a row that becomes selected makes the owner list its group's files.
class CAnalyseListDlg : public CTemplatePage {
    Q_OBJECT
public:
    // Both pointers must outlive the page; they never change.
    CAnalyseListDlg(IResultViewOwner* owner, FileInfoLoader* loader, QWidget* parent = nullptr);

    // Rebuilds everything from the loader after a category load: the status
    // line, the ratio (handed to the owner), the page range, and page 1.
    void refresh();
    // Fills the list with page `page` (from 0). A negative page or one that
    // starts beyond the last group changes nothing.
    void showPage(int page);

    static constexpr int kPageSize = 26;

    // The pages a category of `groups` groups needs: 0 for none.
    static int pageCount(int groups);
    // Duplicate bytes over total bytes in thousandths, truncated; 0 for no bytes.
    static int permille(long long duplicateBytes, long long totalBytes);

    static const DialogTemplate& dialogTemplate();

private:
    bool OnInitDialog();
    void OnPageChanged();
    void OnItemChanged(const QItemSelection& selected);

    IResultViewOwner* m_owner;
    FileInfoLoader* m_loader;
    std::map<int, std::string> m_rowMasks;  // list row -> MASK of the group shown there
    const int m_pageSize = kPageSize;
    QTableWidget* m_list;
    QLineEdit* m_pageEdit;
    CUpDownControl* m_pageSpin;
};
