// SPDX-License-Identifier: MIT
#include <windows.h>

#include <shellapi.h>

#include "util/platform/Trash.h"

namespace platform {

bool moveToTrash(const std::string& path, TrashedItem& item, std::string& reason) {
    item = TrashedItem{path, {}, {}};
    // The shell's delete with undo allowed sends the file to the recycle bin;
    // without FOF_WANTNUKEWARNING it would delete a file the bin cannot take
    // for good, so the shell is asked to warn, and with no user interface
    // that warning ends the operation as aborted instead.
    std::string from = path;
    from.push_back('\0');  // the list ends with two NULs
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags =
        FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_WANTNUKEWARNING;
    const int result = ::SHFileOperationA(&operation);
    if (result == 0 && !operation.fAnyOperationsAborted) return true;
    reason = operation.fAnyOperationsAborted
                 ? "the recycle bin cannot take the file"
                 : "the shell refused the file (code " + std::to_string(result) + ")";
    return false;
}

bool trashedStatus(const TrashedItem& item, FileStatus& status, FileError& error) {
    (void)item;
    (void)status;
    error = FileError{true, "the place in the recycle bin is not known"};
    return false;
}

bool restoreFromTrash(const TrashedItem& item, std::string& reason) {
    (void)item;
    reason = "the place in the recycle bin is not known";
    return false;
}

void setTrashOwnerWindow(std::uintptr_t) {}

}  // namespace platform
