// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "engine/SpaceTree.h"

class QMenu;
class QWidget;

// What the space view's commands act on: a file or folder of the loaded
// tree, with the bytes the trash confirmation names.
struct SpaceItem {
    std::string path;  // program form; a folder's ends in a backslash
    bool folder = false;
    bool movable = false;        // a stored file or folder (not a drive, not 未扫描)
    std::uint64_t bytes = 0;     // 大小
    std::uint64_t uncopied = 0;  // of `bytes`, those with no distinct copy elsewhere

    // The item of a tree row, a stored file, or the file at `path`; an
    // item that is not movable when the tree does not hold it.
    static SpaceItem ofRow(const SpaceTree::Row& row);
    static SpaceItem ofFile(const SpaceTree& tree, std::uint32_t file);
    static SpaceItem ofFilePath(const SpaceTree& tree, const std::string& path);
};

// The space view's commands on one item: 打开 (a file with its associated
// program, through the list page's open path, so never a program itself),
// 在文件夹中显示, and 移到回收站 after a confirmation that names the item,
// its bytes and how many of them exist nowhere else. The move goes through
// SpaceTree::trash, which checks the item against the analysis right before
// it; a refusal is shown with its reason.
class CSpaceItemActions {
public:
    // Adds the three commands (object names openAction, showInFolderAction,
    // trashAction) to `menu`, each enabled where it applies.
    static void addTo(QMenu& menu, const SpaceItem& item);
    // Runs the command of `menu`'s action `chosen` (may be null). True when
    // the item went to the trash.
    static bool run(QWidget* parent, const SpaceTree& tree, const SpaceItem& item,
                    const QString& chosen);

    static void open(const SpaceItem& item);
    static void showInFolder(QWidget* parent, const SpaceItem& item);
    // Asks, moves, reports a refusal. True when the item moved.
    static bool trash(QWidget* parent, const SpaceTree& tree, const SpaceItem& item);
    // The confirmation's text.
    static QString confirmationText(const SpaceItem& item);
};
