// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// Moves the file `path` (program form) to the desktop's trash (the recycle
// bin on Windows), from where the user can restore it. Never deletes: where
// the file's file system has no trash, or the trash cannot take the file,
// nothing happens and the result is false, with the system's reason in
// `reason`. A symbolic link is moved as the link itself, never its target.
[[nodiscard]] bool moveToTrash(const std::string& path, std::string& reason);

}  // namespace platform
