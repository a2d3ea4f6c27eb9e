// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

#include "engine/FolderRemover.h"
#include "engine/IdenticalFolders.h"

class CFileInfoDB;
class ContentChecker;
class QWidget;

// 保留此文件夹，其余移到回收站 on a folder of a set of identical folders: the
// chosen folder stays, the set's other folders go to the trash, each as one
// item. The user confirms in a box that names each folder that goes, the
// folder that stays and the bytes freed; every folder that did not move is
// then listed with the first difference the checks found.
class CTrashFolderAction {
public:
    // `keep` is one of `set.folders`; the rest are offered.
    CTrashFolderAction(const FolderInventory& inventory, const IdenticalFolders& identical,
                       const IdenticalFolders::Set& set, std::uint32_t keep);

    bool offered() const { return !m_going.empty(); }
    // Asks the user; true when they chose to move the folders.
    bool confirm(QWidget* parent) const;
    // Moves the folders through `database` and `cache` (open), then tells
    // the user of every folder that did not move. Returns how many moved.
    int run(QWidget* parent, CFileInfoDB& database, ContentChecker& cache);

    // The reason of a refusal, in the user's words, with where it was found.
    static QString refusalText(const FolderRemover::Outcome& outcome);

    static constexpr const char* kKeepThisText = "保留此文件夹，其余移到回收站";

private:
    FolderRemover::StoredFolder m_keep;
    std::vector<FolderRemover::StoredFolder> m_going;
    std::uint64_t m_freed = 0;
};
