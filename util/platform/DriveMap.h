// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace platform {

// Presents a POSIX file system as drive letters. Parsed from a text such as
// "C:=/home/ann;D:=/media/usb": entries separated by ';', each a letter, a
// colon, '=' and an absolute folder. Drives are kept in letter order; a
// malformed entry is skipped, and a later entry for a letter replaces an
// earlier one.
class DriveMap {
public:
    struct Drive {
        char letter = 'C';
        std::string folder;  // native, absolute, without a trailing slash ("" for "/")
    };

    explicit DriveMap(const std::string& mapText);

    // The map of LANBROOK_DRIVES, or "C:=/" when it is unset or names no drive.
    // Re-read whenever the variable's value changes.
    static const DriveMap& current();

    const std::vector<Drive>& drives() const { return drives_; }

    // "C:\home\ann\" -> "/home/ann/". Empty when the path names no mapped drive.
    std::string toNative(const std::string& path) const;

    // "/home/ann/x" -> "C:\home\ann\x", by the drive with the longest matching
    // folder. False when no drive holds the path or a name holds a backslash.
    [[nodiscard]] bool fromNative(const std::string& native, std::string& path) const;

private:
    std::vector<Drive> drives_;
};

}  // namespace platform
