// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/RenameFile.h"

namespace platform {

bool renameWithoutReplacing(const std::string& from, const std::string& to, std::string& reason) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    if (::MoveFileExA(from.c_str(), to.c_str(), 0)) return true;
    const DWORD error = ::GetLastError();
    char text[256] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, sizeof text, nullptr);
    reason = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return false;
}

}  // namespace platform
