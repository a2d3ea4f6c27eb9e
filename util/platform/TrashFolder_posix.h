// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <string>

namespace platform::posix {

// The freedesktop.org trash folder that takes a file, made where it is
// missing. A file on the file system of the home trash ($XDG_DATA_HOME/Trash,
// by default ~/.local/share/Trash) goes there; a file elsewhere goes to the
// trash at the top folder of its own file system: $topdir/.Trash/$uid when
// $topdir/.Trash is a real folder (not a link) with the sticky bit, else
// $topdir/.Trash-$uid (made with mode 0700). The trash folders of a top
// folder must be real folders owned by this user. A file is never given a
// trash on another file system: it could only get there by a copy.
class TrashFolder {
public:
    // Finds the trash for the file at the absolute native path `native`,
    // whose status (not following a link) is `file`, and makes sure it has
    // its files/ and info/ folders. False, with `reason` set, when there is
    // no trash that can take it.
    [[nodiscard]] bool findFor(const std::string& native, const struct stat& file,
                               std::string& reason);

    // The trash folder, without a trailing slash; files/ and info/ are in it.
    const std::string& folder() const { return folder_; }
    // What the info file's Path key holds for the file (before encoding):
    // its absolute path for the home trash, else its path from the top folder.
    const std::string& pathKey() const { return pathKey_; }

private:
    [[nodiscard]] bool findOnTopFolder(const std::string& native, const struct stat& file,
                                       std::string& reason);

    std::string folder_;
    std::string pathKey_;
};

}  // namespace platform::posix
