// SPDX-License-Identifier: MIT
#include "engine/SystemDirInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "util/platform/FileSystem.h"

namespace {

constexpr const char* kExcludedVariables[] = {
    "ProgramW6432", "ProgramFiles", "ProgramFiles(x86)", "SystemRoot", "APPDATA",
    "ProgramData",  "PUBLIC",
};

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWith(const char* path, const std::string& prefix, bool ignoreCase) {
    if (!ignoreCase) return std::strncmp(path, prefix.c_str(), prefix.size()) == 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (path[i] == '\0' || foldCase(path[i]) != foldCase(prefix[i])) return false;
    }
    return true;
}

}  // namespace

SystemDirInfo::SystemDirInfo() {
    for (const char* name : kExcludedVariables) {
        const char* value = std::getenv(name);
        // A native POSIX folder ("/opt/x") is written in program form first;
        // one that no drive maps can never be entered anyway.
        std::string folder;
        if (value != nullptr && *value == '/') {
            if (platform::fromNativePath(value, folder)) addDirectory(folder.c_str());
        } else {
            addDirectory(value);
        }
    }
    for (const std::string& folder : platform::systemFolders()) addDirectory(folder.c_str());
}

void SystemDirInfo::addDirectory(const char* folder) {
    if (folder == nullptr) return;
    std::string entry = folder;
    if (entry.empty() || entry.back() != '\\') entry += '\\';
    directories_.push_back(std::move(entry));
}

void SystemDirInfo::dropContaining(const std::string& folder) {
    std::string start = folder;
    if (start.empty() || start.back() != '\\') start += '\\';
    const bool ignoreCase = platform::pathsIgnoreCase();
    directories_.erase(std::remove_if(directories_.begin(), directories_.end(),
                                      [&](const std::string& entry) {
                                          return startsWith(start.c_str(), entry, ignoreCase);
                                      }),
                       directories_.end());
}

bool SystemDirInfo::matches(const char* path) const {
    const bool ignoreCase = platform::pathsIgnoreCase();
    for (const std::string& entry : directories_)
        if (startsWith(path, entry, ignoreCase)) return true;
    return false;
}
