// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CheckedContent.h"
#include "engine/FolderCopies.h"
#include "engine/FolderInventory.h"
#include "engine/IdenticalFolders.h"
#include "results/ContentCheckQueue.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The tab page 重复文件夹: the identical folders of the analysed scope, set
// by set (the one that frees most first), then the redundant folders with
// the folders that hold their copies. When the page is shown the groups the
// content check has no result for yet are checked first (on a thread of its
// own, as the list page's check runs), then the folders are found from the
// stored rows and those results.
//
// Selecting a folder shows its files through `onShowFiles`; its menu offers
// 在文件夹中显示 and, on a folder of a set, 保留此文件夹，其余移到回收站,
// which moves the set's other folders after the user confirms, then calls
// `onMoved`. The page never writes the database itself but through the
// removal path.
class CFolderSetsPage : public QWidget {
    Q_OBJECT
public:
    // What the page asks of the window that holds it.
    struct Owner {
        // Shows the files of a folder in the file list: paths and, beside
        // each, what is known of its content.
        std::function<void(const std::vector<std::pair<std::string, QString>>& files)> showFiles;
        // The page's check is about to read files, or folders are about to
        // move: the window's own check stops.
        std::function<void()> stopWindowCheck;
        // The page's check has ended (or a move did not happen): the
        // window's check may go on.
        std::function<void()> checkEnded;
        // Folders moved to the trash: the index must be rebuilt and the views reloaded.
        std::function<void()> moved;
    };

    CFolderSetsPage(std::string databasePath, Owner owner, QWidget* parent = nullptr);
    ~CFolderSetsPage() override;

    // The page is shown: checks the groups without a result, then finds the
    // folders; nothing when what it shows is current.
    void activate();
    // The stored result changed: what is shown is found again at the next
    // activation. With `filesChanged` (an analysis) the check results are
    // dropped too, otherwise they are kept (a move or an ignored folder
    // only takes rows away).
    void invalidate(bool filesChanged);
    // Ends the page's check and joins its thread.
    void stop();

    // The folder of a tree item; kNoFolder for a set's own row.
    std::uint32_t folderOf(const QTreeWidgetItem* item) const;
    // Keeps the folder of `item` and moves the other folders of its set,
    // after the user confirms. Nothing for an item that is not in a set.
    void keepFolder(const QTreeWidgetItem* item);
    // Shows the folder of `item` in the file manager.
    void showInFileManager(const QTreeWidgetItem* item);

    bool isChecking() const { return m_queue.joinable(); }
    bool isCurrent() const { return m_current; }
    // What the page's checks found so far (the space view counts copies by it).
    const CheckedContent& checkedContent() const { return m_results; }
    const IdenticalFolders* found() const { return m_identical.get(); }
    QTreeWidget* tree() const { return m_tree; }

private:
    void startCheck(std::vector<std::string> masks);
    void OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group);
    void OnCheckFinished(int run);
    void findFolders();
    void fill();
    QTreeWidgetItem* folderItem(std::uint32_t folder, int kind, int set) const;
    void OnSelectionChanged();
    void OnContextMenu(const QPoint& position);
    std::vector<std::string> duplicateMasks() const;

    const std::string m_databasePath;
    Owner m_owner;
    QLabel* m_status;
    QTreeWidget* m_tree;
    ContentCheckQueue m_queue;
    int m_run = 0;
    int m_checked = 0;
    int m_toCheck = 0;
    bool m_current = false;
    CheckedContent m_results;
    FolderInventory m_inventory;
    std::unique_ptr<FolderCopies> m_copies;
    std::unique_ptr<IdenticalFolders> m_identical;
};
