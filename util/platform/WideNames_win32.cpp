// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/WideNames_win32.h"

namespace platform {

bool toWideName(const std::string& name, std::wstring& wide) {
    wide.clear();
    if (name.empty()) return true;
    const int size = static_cast<int>(name.size());
    const int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), size, wide.data(), length);
    return true;
}

bool toNarrowName(const std::wstring& wide, std::string& name) {
    name.clear();
    if (wide.empty()) return true;
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size,
                                             nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    name.resize(static_cast<std::size_t>(length));
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, name.data(), length,
                          nullptr, nullptr);
    return true;
}

}  // namespace platform
