// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "engine/CleanupRun.h"
#include "engine/CleanupUndo.h"

// What the clean-up window tells the user after a clean-up and after an
// undo, in the program's words: what moved and the bytes freed, each file
// that did not move with its reason, a cancel and the files left, and moves
// that could not be recorded to be undone; the files put back, those whose
// place is taken, those no longer in the trash.
namespace cleanuptext {

QString runSummary(const CleanupRun::Summary& summary);
QString undoSummary(const CleanupUndo::Summary& summary);
// Why `item` did not move.
QString reasonOf(const CleanupRun::Item& item);
// "N 个文件，X字节"
QString filesAndBytes(std::uint64_t files, std::uint64_t bytes);
// A byte count as the program writes sizes ("1.50 M").
QString sizeText(std::uint64_t bytes);

}  // namespace cleanuptext
