// SPDX-License-Identifier: MIT
#include <windows.h>

#include <cstdio>

#include "util/platform/SystemText_win32.h"

namespace platform {

std::string systemText(unsigned long code) {
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    if (reason.empty()) {
        char number[16] = {};
        std::snprintf(number, sizeof number, "0x%08lx", code);
        reason = std::string("error ") + number;
    }
    return reason;
}

}  // namespace platform
