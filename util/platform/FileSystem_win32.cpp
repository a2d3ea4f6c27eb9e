// SPDX-License-Identifier: MIT
// The file-system seam on Windows: program paths are native paths, read
// through the ANSI functions of the system and the runtime.
#include <windows.h>

#include <direct.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"

namespace platform {

namespace {

struct CloseFind {
    void operator()(HANDLE find) const noexcept { ::FindClose(find); }
};
struct CloseFile {
    void operator()(HANDLE file) const noexcept { ::CloseHandle(file); }
};

}  // namespace

bool pathsIgnoreCase() {
    return true;
}

std::vector<std::string> logicalDrives() {
    char buffer[256] = {};
    const DWORD length = ::GetLogicalDriveStringsA(sizeof buffer, buffer);
    std::vector<std::string> roots;
    if (length == 0 || length > sizeof buffer) return roots;
    for (const char* entry = buffer; *entry != '\0'; entry += std::strlen(entry) + 1)
        roots.emplace_back(entry);
    return roots;
}

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    WIN32_FIND_DATAA data{};
    const HANDLE first = ::FindFirstFileA((folder + "*.*").c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, CloseFind> find(first);
    do {
        entries.push_back(
            {data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileA(find.get(), &data));
    return true;
}

bool lastWriteTime(const std::string& path, LocalTime& time) {
    // Backup semantics let folders open too.
    const HANDLE opened = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, CloseFile> file(opened);
    FILETIME created{}, accessed{}, written{}, local{};
    SYSTEMTIME parts{};
    if (!::GetFileTime(file.get(), &created, &accessed, &written) ||
        !::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToSystemTime(&local, &parts))
        return false;
    time = LocalTime{parts.wYear,   parts.wMonth,  parts.wDay,         parts.wHour,
                     parts.wMinute, parts.wSecond, parts.wMilliseconds};
    return true;
}

bool listFolder(const OpenFolder& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    return folder.descriptor_ >= 0 && listFolder(folder.path_, entries);
}

bool lastWriteTime(const OpenFolder& folder, LocalTime& time) {
    return folder.descriptor_ >= 0 && lastWriteTime(folder.path_, time);
}

bool modificationTime(const std::string& path, std::int64_t& seconds) {
    struct _stat64 status {};
    if (::_stat64(path.c_str(), &status) != 0) return false;
    seconds = static_cast<std::int64_t>(status.st_mtime);
    return true;
}

bool pathExists(const std::string& path) {
    return ::_access(path.c_str(), 0) == 0;
}

bool makeDirectory(const std::string& path) {
    return ::_mkdir(path.c_str()) == 0;
}

std::string toNativePath(const std::string& path) {
    return path;
}

bool fromNativePath(const std::string& native, std::string& path) {
    path = native;
    return true;
}

bool userProfileFolder(std::string& folder) {
    const char* value = std::getenv("USERPROFILE");
    if (value == nullptr || *value == '\0') return false;
    folder = value;
    return true;
}

const char* userProfileSource() {
    return "USERPROFILE";
}

std::vector<std::string> systemFolders() {
    return {};
}

}  // namespace platform
