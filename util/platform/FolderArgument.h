// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// The program form of a folder the user names by its native path (absolute,
// or relative to the current folder), for an analysis of chosen folders:
// links, "." and ".." are resolved and a trailing separator is ignored, so
// every spelling of one folder gives one text, which ends in a backslash
// (C:\home\ann\Pictures\). False, with `reason` saying why in the system's
// words, when the path does not exist, is no folder, cannot be listed, or
// (POSIX) lies on no drive of the drive map or holds a name with a backslash.
[[nodiscard]] bool folderFromNative(const std::string& native, std::string& folder,
                                    std::string& reason);

}  // namespace platform
