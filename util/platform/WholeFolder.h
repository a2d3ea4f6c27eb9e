// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "util/platform/ContentFile.h"
#include "util/platform/Trash.h"

// What a folder holds, all of it, for the move of a whole folder: the
// listing of the scan leaves out what it cannot store (links, FIFOs,
// devices, names that cannot be written in program form), and a folder that
// goes must be known to hold nothing beyond what was compared.
namespace platform {

struct WholeFolderEntry {
    enum class Kind {
        File,    // a regular file
        Folder,  // a real folder (never a link to one)
        Other,  // anything else: a link, a FIFO, a socket, a device, a name the program cannot hold
    };
    std::string name;
    Kind kind = Kind::Other;
};

// Every entry of `folder` (program form, ending in a backslash) but "." and
// "..", each with its kind as the entry itself is (a link is not followed).
// False, with `error` set, when the folder cannot be read.
[[nodiscard]] bool listWholeFolder(const std::string& folder,
                                   std::vector<WholeFolderEntry>& entries, FileError& error);

// The status of the entry at `relative` (names joined by backslashes) inside
// the folder `folder` that moveToTrash moved, as fileStatus() gives it for a
// name. False, with `error` set, when it is not there.
[[nodiscard]] bool trashedEntryStatus(const TrashedItem& folder, const std::string& relative,
                                      FileStatus& status, FileError& error);

}  // namespace platform
