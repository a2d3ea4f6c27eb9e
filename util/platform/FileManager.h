// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// Shows the file `path` (program form) selected in the desktop's file
// manager. On Linux the file manager is asked over the session bus
// (org.freedesktop.FileManager1.ShowItems, with the file's URI, every byte
// of the name percent-encoded where needed); when none answers, the file's
// folder is opened with its default application. On Windows the shell opens
// the folder with the file selected. False, with the reason, when neither
// could be done.
[[nodiscard]] bool showInFileManager(const std::string& path, std::string& reason);

}  // namespace platform
