// SPDX-License-Identifier: MIT
#include <windows.h>

#include <vector>

#include "util/platform/FolderArgument.h"

namespace platform {

namespace {

std::string systemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : "error";
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

}  // namespace

bool folderFromNative(const std::string& native, std::string& folder, std::string& reason) {
    // The full path resolves "." and ".." and the current folder; the
    // native form is the program's own form on Windows.
    const DWORD needed = ::GetFullPathNameA(native.c_str(), 0, nullptr, nullptr);
    if (native.empty() || needed == 0) {
        reason = systemMessage(native.empty() ? ERROR_PATH_NOT_FOUND : ::GetLastError());
        return false;
    }
    std::vector<char> full(needed + 1);
    const DWORD length = ::GetFullPathNameA(native.c_str(), needed + 1, full.data(), nullptr);
    if (length == 0 || length > needed) {
        reason = systemMessage(::GetLastError());
        return false;
    }
    std::string path(full.data(), length);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        reason = systemMessage(::GetLastError());
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        reason = systemMessage(ERROR_DIRECTORY);
        return false;
    }
    if (path.back() != '\\') path += '\\';
    WIN32_FIND_DATAA entry;
    const HANDLE listing = ::FindFirstFileA((path + "*.*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        reason = systemMessage(::GetLastError());
        return false;
    }
    ::FindClose(listing);
    folder = path;
    return true;
}

}  // namespace platform
