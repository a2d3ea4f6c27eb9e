// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "util/platform/ContentFile.h"

namespace platform {

// Where a file went in the trash: enough to look at it there and to put it
// back. Paths here are native (the trash may lie outside every mapped drive).
struct TrashedItem {
    std::string originalPath;  // program form, as given to moveToTrash
    std::string trashedPath;   // native: the file itself, inside the trash
    std::string infoPath;      // native: its record (the .trashinfo file; on Windows the $I file)
};

// Moves the file `path` (program form) to the desktop's trash (the recycle
// bin on Windows), from where the user can restore it, and tells where it
// went. Never deletes: where the file's file system has no trash, or the
// trash cannot take the file, nothing happens and the result is false, with
// the system's reason in `reason`. A symbolic link is moved as the link
// itself, never its target. The file keeps its identity, length and
// modification time in the trash (it is renamed, never copied).
[[nodiscard]] bool moveToTrash(const std::string& path, TrashedItem& item, std::string& reason);

// The status of the file `item` names inside the trash, as fileStatus() gives
// it for a name. False, with `error` set, when it is not there.
[[nodiscard]] bool trashedStatus(const TrashedItem& item, FileStatus& status, FileError& error);

// Puts a trashed file back at its original path and drops its record. Never
// replaces anything: when the original place is taken (or its folder is
// gone), nothing happens and the result is false with the reason.
[[nodiscard]] bool restoreFromTrash(const TrashedItem& item, std::string& reason);

// The window that owns whatever the system shows while moving files to the
// trash (on Windows the shell's progress and error boxes); 0 for none. The
// window program sets it once at start; the console runner leaves it 0.
void setTrashOwnerWindow(std::uintptr_t nativeWindow);

}  // namespace platform
