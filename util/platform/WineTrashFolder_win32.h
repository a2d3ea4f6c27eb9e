// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "util/platform/Trash.h"

namespace platform {

// The recycle bin of Wine, for a program that runs under it: Wine's shell
// keeps the "recycle bin" in the desktop's trash folder of the Linux user
// ($XDG_DATA_HOME/Trash when that is absolute, else ~/.local/share/Trash,
// reached through its \\?\ form), a file under files/ and its record under
// info/ (Path= the Unix path, DeletionDate=). Wine's bin lists what lies
// there and the Linux desktop restores it.
//
// Wine's own shell has no way to ask for a recycle that refuses rather than
// deletes (it deletes a file its trash cannot take), and it does not tell
// where a file went; this class moves the file into that folder itself: the
// record first, then a rename that never copies and never replaces, so a file
// that cannot be renamed there (another file system) stays where it is.
class WineTrashFolder {
public:
    // Finds the folder as Wine's shell does and creates its files/ and info/
    // folders when missing; available() tells whether that worked.
    WineTrashFolder();

    bool available() const { return !files_.empty(); }
    // The folder itself (its trash root), native \\?\ form, UTF-8.
    const std::string& folder() const { return folder_; }

    // Moves the file `path` (native, UTF-8) into the trash under its own
    // name, or its name with ".2", ".3"... when taken, and tells where it and
    // its record went. False, with the file left as it was and no record
    // left behind, when it cannot.
    [[nodiscard]] bool moveIn(const std::string& path, TrashedItem& item,
                              std::string& reason) const;

private:
    // The record's text for the file `path`; false when Wine gives no Unix
    // path for it.
    static bool recordText(const std::wstring& path, std::string& text);
    // Creates the record `record` (never replacing one); ERROR_SUCCESS or
    // the system's error.
    static unsigned long writeRecord(const std::wstring& record, const std::string& text);

    std::string folder_;
    std::wstring files_, info_;
};

}  // namespace platform
