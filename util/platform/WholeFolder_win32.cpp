// SPDX-License-Identifier: MIT
#include <windows.h>

#include <cstring>

#include "util/platform/WholeFolder.h"

namespace platform {

namespace {

void setError(FileError& error, DWORD code) {
    error.missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    error.reason = "error " + std::to_string(code);
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length > 0 && text != nullptr) error.reason.assign(text, length);
    if (text != nullptr) ::LocalFree(text);
    while (!error.reason.empty() && (error.reason.back() == '\n' || error.reason.back() == '\r'))
        error.reason.pop_back();
}

WholeFolderEntry::Kind kindOf(const WIN32_FIND_DATAA& found) {
    // A junction or a symbolic link is neither a file nor a folder of its own.
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return WholeFolderEntry::Kind::Other;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return WholeFolderEntry::Kind::Folder;
    // A name the ANSI code page cannot hold comes back with '?'.
    if (std::strchr(found.cFileName, '?') != nullptr) return WholeFolderEntry::Kind::Other;
    return WholeFolderEntry::Kind::File;
}

}  // namespace

bool listWholeFolder(const std::string& folder, std::vector<WholeFolderEntry>& entries,
                     FileError& error) {
    entries.clear();
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        setError(error, ::GetLastError());
        return false;
    }
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
            continue;
        entries.push_back({found.cFileName, kindOf(found)});
    } while (::FindNextFileA(search, &found));
    const DWORD end = ::GetLastError();
    ::FindClose(search);
    if (end != ERROR_NO_MORE_FILES) {
        setError(error, end);
        return false;
    }
    return true;
}

bool trashedEntryStatus(const TrashedItem& folder, const std::string& relative, FileStatus& status,
                        FileError& error) {
    if (folder.trashedPath.empty()) {
        error = FileError{true, "the place in the recycle bin is not known"};
        return false;
    }
    return fileStatus(folder.trashedPath + '\\' + relative, status, error);
}

}  // namespace platform
