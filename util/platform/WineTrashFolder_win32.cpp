// SPDX-License-Identifier: MIT
#include <windows.h>

#include <cstdio>

#include "util/platform/SystemText_win32.h"
#include "util/platform/WideNames_win32.h"
#include "util/platform/WineTrashFolder_win32.h"

namespace platform {

namespace {

std::wstring environmentVariable(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

bool makeFolder(const std::wstring& folder) {
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// A Unix path written as a trash record wants it: every byte but the
// unreserved ones and '/' as %XX.
std::string percentEncoded(const std::string& path) {
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
            c == '/') {
            encoded.push_back(c);
        } else {
            char escaped[4] = {};
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            encoded += escaped;
        }
    }
    return encoded;
}

std::string narrowed(const std::wstring& wide) {
    std::string name;
    return toNarrowName(wide, name) ? name : std::string();
}

}  // namespace

WineTrashFolder::WineTrashFolder() {
    // As Wine's shell finds it: an absolute XDG_DATA_HOME through the \\?\unix
    // form, else the home folder Wine names in WINEHOMEDIR (\??\ form).
    std::wstring root;
    const std::wstring dataHome = environmentVariable(L"XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome[0] == L'/') {
        root = L"\\\\?\\unix" + dataHome + L"/Trash";
    } else {
        root = environmentVariable(L"WINEHOMEDIR");
        if (root.size() < 4) return;
        root += L"/.local/share/Trash";
        root[1] = L'\\';  // \??\ becomes \\?\, the same place in Win32 form
    }
    for (wchar_t& c : root)
        if (c == L'/') c = L'\\';
    if (!makeFolder(root) || !makeFolder(root + L"\\info") || !makeFolder(root + L"\\files"))
        return;
    folder_ = narrowed(root);
    info_ = root + L"\\info";
    files_ = root + L"\\files";
}

bool WineTrashFolder::moveIn(const std::string& path, TrashedItem& item,
                             std::string& reason) const {
    std::wstring wide;
    std::string text;
    const char* unusable = !available() ? "Wine's recycle bin (the desktop's trash) cannot be found"
                           : !toWideName(path, wide) || wide.empty() ? "the name is not valid UTF-8"
                           : !recordText(wide, text) ? "Wine gives no Unix path for the file"
                                                     : nullptr;
    if (unusable != nullptr) {
        reason = unusable;
        return false;
    }
    const std::wstring name = wide.substr(wide.find_last_of(L'\\') + 1);
    if (name.empty()) {
        reason = "the path names no file";
        return false;
    }
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::wstring entry = attempt == 1 ? name : name + L"." + std::to_wstring(attempt);
        const std::wstring record = info_ + L"\\" + entry + L".trashinfo";
        DWORD error = writeRecord(record, text);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        if (error != ERROR_SUCCESS) {
            reason = "the trash record cannot be written: " + systemText(error);
            return false;
        }
        // A rename only: no copy to another file system, no file replaced.
        const std::wstring target = files_ + L"\\" + entry;
        if (::MoveFileExW(wide.c_str(), target.c_str(), 0)) {
            item.trashedPath = narrowed(target);
            item.infoPath = narrowed(record);
            return true;
        }
        error = ::GetLastError();
        ::DeleteFileW(record.c_str());
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        reason = systemText(error);
        return false;
    }
    reason = "the trash has no free name for the file";
    return false;
}

bool WineTrashFolder::recordText(const std::wstring& path, std::string& text) {
    using UnixFileName = char*(__cdecl*)(const wchar_t*);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC found =
        kernel != nullptr ? ::GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
    if (found == nullptr) return false;
    // Through void (*)(): the one function type any other converts from.
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(found));
    char* unixPath = unixFileName(path.c_str());
    if (unixPath == nullptr) return false;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char date[32] = {};
    std::snprintf(date, sizeof date, "%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    text = "[Trash Info]\nPath=" + percentEncoded(unixPath) + "\nDeletionDate=" + date + "\n";
    ::HeapFree(::GetProcessHeap(), 0, unixPath);  // Wine allocates it on the process heap
    return true;
}

unsigned long WineTrashFolder::writeRecord(const std::wstring& record, const std::string& text) {
    const HANDLE file = ::CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    DWORD written = 0;
    const bool whole =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    const DWORD error = whole ? ERROR_SUCCESS : ::GetLastError();
    ::CloseHandle(file);
    if (!whole) ::DeleteFileW(record.c_str());
    return whole ? ERROR_SUCCESS : (error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
}

}  // namespace platform
