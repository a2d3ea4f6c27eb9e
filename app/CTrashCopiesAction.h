// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "engine/CopyRemover.h"
#include "engine/GroupCheck.h"

class AnalysisScope;
class CFileInfoDB;
class QWidget;

// The file list's two trash commands over one checked group: 移到回收站 moves
// the chosen file and keeps another file of its content; 保留此文件，其余副本
// 移到回收站 keeps the chosen file and moves the rest of its class. The user
// confirms in a modal box that names each file that goes, the file that stays
// and the bytes freed; every file that did not move (refused by the checks
// right before the move, refused by the trash, or never tried because the
// move could not start) is then listed with the reason.
class CTrashCopiesAction {
public:
    enum class Kind { TrashThis, KeepThis };

    // `file` indexes `group.files`; -1 (a row of no checked file) offers nothing.
    // With `protection`, a file in a protected folder is never moved and is
    // the first choice for the copy that stays.
    CTrashCopiesAction(GroupCheck group, int file, Kind kind,
                       const AnalysisScope* protection = nullptr);

    // Whether the command may be offered: the chosen file's class holds
    // another file that stays (TrashThis) or other files to move (KeepThis).
    bool offered() const { return !m_moving.empty(); }
    // Asks the user; true when they chose to move the files.
    bool confirm(QWidget* parent) const;
    // Moves the files through `database` and `cache` (open), then tells the
    // user of every refused file. Returns how many files moved.
    int run(QWidget* parent, CFileInfoDB& database, ContentChecker& cache);
    // Tells the user that none of the files moved, each for `reason` (the
    // move the user confirmed could not start).
    void reportNotStarted(QWidget* parent, const QString& reason) const;

    // The index in `group.files` of the file at `path`; -1 when none is.
    static int fileOfPath(const GroupCheck& group, const std::string& path);
    // The reason of a refusal, in the user's words.
    static QString refusalText(const CopyRemover::Outcome& outcome);

    static constexpr const char* kTrashThisText = "移到回收站";
    static constexpr const char* kKeepThisText = "保留此文件，其余副本移到回收站";

private:
    QString confirmationText() const;
    // Lists the files that stayed where they were and those that moved but
    // whose move did not end as it should, each with its reason; nothing
    // when both are empty.
    static void showNotMoved(QWidget* parent, const QString& stayed, const QString& unfinished);

    GroupCheck m_group;
    int m_keep = -1;
    std::vector<int> m_moving;
};
