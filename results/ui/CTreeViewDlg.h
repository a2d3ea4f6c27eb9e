// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "engine/ui/CTemplatePage.h"
#include "results/ui/CFileTypeIcons.h"

class FileInfoLoader;
class IResultViewOwner;
class QPoint;
class QTreeWidget;
class QTreeWidgetItem;

// The second tab page (template 131): the loaded category's files as a tree
// of drives, folders and files, filled one level at a time when a folder is
// selected. A selected file shows its group's copies and size and makes the
// owner list the group's files. The context menu of a folder or drive takes
// it out of all later scans and out of the database at once.
//
// Item texts are decoded copies; each item keeps its name's bytes, and every
// path here is joined from those bytes ("C:\Data\a.txt", no trailing
// backslash), so names that are not valid text still work.
class CTreeViewDlg : public CTemplatePage {
    Q_OBJECT
public:
    // Both pointers must outlive the page; they never change.
    CTreeViewDlg(IResultViewOwner* owner, FileInfoLoader* loader, QWidget* parent = nullptr);

    // Inserts the children of the path tree node of `path` under `parent`
    // (the top level when null), once: a filled item, or a top level that
    // holds items, is left alone.
    void fillChildren(const std::string& path, QTreeWidgetItem* parent);
    // Opens the tree down to `fullPath` and selects it; stops without
    // selecting at the first component that is not there (compared byte for
    // byte, letter case included).
    void selectPath(const std::string& fullPath);
    // Removes every item (the owner refreshes the top level afterwards).
    void deleteAllItems();

    QTreeWidgetItem* findChildItem(QTreeWidgetItem* parent, const std::string& name) const;
    static std::string getItemPath(const QTreeWidgetItem* item);

    QTreeWidget* tree() const { return m_tree; }

    static const DialogTemplate& dialogTemplate();

public slots:
    void OnIgnoreFolder();

private:
    void OnSelChanged(QTreeWidgetItem* item);
    void OnRightClick(const QPoint& position);
    void showFileFigures(int groupIndex);

    IResultViewOwner* m_owner;
    FileInfoLoader* m_loader;
    QTreeWidget* m_tree;
    CFileTypeIcons icons_;
};
