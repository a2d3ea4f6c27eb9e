// SPDX-License-Identifier: MIT
#include "util/FileUtility.h"

#include <cstdio>

#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"

std::vector<std::string> FileUtility::getLogicalDrives() {
    return platform::logicalDrives();
}

char* FileUtility::formatSize(char* buffer, std::uint64_t size) {
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = kKilo * 1024;
    constexpr std::uint64_t kGiga = kMega * 1024;
    constexpr std::size_t kBufferSize = 32;
    const auto value = static_cast<double>(size);
    if (size > kGiga)
        std::snprintf(buffer, kBufferSize, "%.2f G", value / static_cast<double>(kGiga));
    else if (size > kMega)
        std::snprintf(buffer, kBufferSize, "%.2f M", value / static_cast<double>(kMega));
    else if (size > kKilo)
        std::snprintf(buffer, kBufferSize, "%.2f K", value / static_cast<double>(kKilo));
    else
        std::snprintf(buffer, kBufferSize, "%d B", static_cast<int>(size));
    return buffer;
}

int FileUtility::makeDirectories(const char* path) {
    if (path == nullptr) return 0;
    std::string copy = path;
    for (std::string::size_type i = 0; i < copy.size(); ++i) {
        if (copy[i] != '\\' && copy[i] != '/') continue;
        const std::string prefix = copy.substr(0, i);
        if (!prefix.empty() && !platform::pathExists(prefix) && !platform::makeDirectory(prefix))
            return -1;
        copy[i] = '/';
    }
    return platform::makeDirectory(copy) ? 0 : -1;
}

namespace {

std::string timeText(const platform::LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond);
    return text;
}

}  // namespace

std::string FileUtility::getLastWriteTimeText(const std::string& path) {
    platform::LocalTime t;
    return platform::lastWriteTime(path, t) ? timeText(t) : std::string();
}

std::string FileUtility::getLastWriteTimeText(const platform::OpenFolder& folder) {
    platform::LocalTime t;
    return platform::lastWriteTime(folder, t) ? timeText(t) : std::string();
}
