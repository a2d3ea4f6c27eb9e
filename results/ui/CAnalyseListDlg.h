// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/GroupCheck.h"
#include "engine/ui/CTemplatePage.h"

class CUpDownControl;
class FileInfoLoader;
class IResultViewOwner;
class QCheckBox;
class QItemSelection;
class QLineEdit;
class QTableWidget;

// The first tab page (template 130): the groups of the loaded category, 26 to
// a page, with a wrapping page selector and a status line of the category's
// total and duplicated bytes. refresh() reports the duplicate ratio to the
// owner; a row that becomes selected makes the owner list its group's files.
//
// Each row also shows its group's content-check state once it is known (an
// icon before the name with a tooltip on every cell, and a row colour), leaving the
// column texts as they are. A check box of its own, off by default, hides the
// groups whose files all differ; the pages then run over the groups left.
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
    // As refresh(), but stays on the page shown before when it still exists.
    void refreshKeepingPage();
    // The page shown, from 0.
    int currentPage() const;

    // Records the state of the group of `mask` and shows it on its row.
    void setGroupState(const std::string& mask, GroupState state);
    // Forgets every state (a new category or a new check).
    void clearGroupStates();
    GroupState groupState(const std::string& mask) const;
    QCheckBox* hideRefutedBox() const { return m_hideRefuted; }

    static constexpr int kPageSize = 26;

    // The pages a category of `groups` groups needs: 0 for none.
    static int pageCount(int groups);
    // Duplicate bytes over total bytes in thousandths, truncated; 0 for no bytes.
    static int permille(long long duplicateBytes, long long totalBytes);

    static const DialogTemplate& dialogTemplate();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool OnInitDialog();
    void OnHideRefutedToggled();
    // The group numbers the pages run over: all, or those not refuted.
    void rebuildVisible();
    int shownGroupCount() const;
    int groupAt(int position) const;
    void updatePagingFigures();
    void applyState(int row, GroupState state);
    void OnPageChanged();
    void OnItemChanged(const QItemSelection& selected);

    IResultViewOwner* m_owner;
    FileInfoLoader* m_loader;
    std::map<int, std::string> m_rowMasks;  // list row -> MASK of the group shown there
    const int m_pageSize = kPageSize;
    QTableWidget* m_list;
    QLineEdit* m_pageEdit;
    CUpDownControl* m_pageSpin;
    QCheckBox* m_hideRefuted;
    std::unordered_map<std::string, GroupState> m_states;  // MASK -> known state
    std::vector<int> m_visible;  // group numbers shown while refuted ones are hidden
};
