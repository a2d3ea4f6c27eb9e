// SPDX-License-Identifier: MIT
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "util/platform/FileManager.h"

namespace platform {

bool showInFileManager(const std::string& path, std::string& reason) {
    // Names are UTF-8 in the program (its ANSI code page); the shell's item
    // list wants UTF-16.
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        reason = "the path is not valid UTF-8";
        return false;
    }
    std::wstring wide(std::size_t(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(wide.c_str());
    HRESULT shown = E_FAIL;
    if (item != nullptr) {
        shown = ::SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
        ::ILFree(item);
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    if (SUCCEEDED(shown)) return true;
    reason = item == nullptr ? "the file cannot be found"
                             : "the shell refused (code " + std::to_string(long(shown)) + ")";
    return false;
}

}  // namespace platform
