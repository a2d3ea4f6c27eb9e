// SPDX-License-Identifier: MIT
#include "util/platform/FileSystem.h"
#include "util/platform/GioHandles.h"
#include "util/platform/Trash.h"

namespace platform {

bool moveToTrash(const std::string& path, TrashedItem& item, std::string& reason) {
    item = TrashedItem{path, {}, {}};
    const std::string native = toNativePath(path);
    if (native.empty()) {
        reason = "the path lies on no mapped drive";
        return false;
    }
    // GIO follows the freedesktop.org trash: the file is renamed into the
    // trash of its own file system (never copied and deleted), with an info
    // file that records its original path. Where there is no such trash,
    // g_file_trash fails with G_IO_ERROR_NOT_SUPPORTED and leaves the file.
    const gio::Object<GFile> file(g_file_new_for_path(native.c_str()));
    GError* rawError = nullptr;
    if (g_file_trash(file.get(), nullptr, &rawError)) return true;
    const gio::Error error(rawError);
    reason = error ? error->message : "the trash refused the file";
    return false;
}

bool trashedStatus(const TrashedItem& item, FileStatus& status, FileError& error) {
    (void)item;
    (void)status;
    error = FileError{true, "the place in the trash is not known"};
    return false;
}

bool restoreFromTrash(const TrashedItem& item, std::string& reason) {
    (void)item;
    reason = "the place in the trash is not known";
    return false;
}

void setTrashOwnerWindow(std::uintptr_t) {}

}  // namespace platform
