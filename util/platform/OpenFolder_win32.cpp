// SPDX-License-Identifier: MIT
// Windows has no status call relative to an open folder; one listing of the
// folder carries every file's last-write time instead.
#include <windows.h>

#include <memory>

#include "util/StringUtility.h"
#include "util/platform/OpenFolder.h"

namespace platform {

namespace {

struct CloseFind {
    void operator()(HANDLE find) const noexcept { ::FindClose(find); }
};

// 100-nanosecond intervals since 1601-01-01 -> seconds since 1970-01-01.
std::int64_t unixSeconds(const FILETIME& time) {
    const std::int64_t intervals = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) |
                                   static_cast<std::int64_t>(time.dwLowDateTime);
    constexpr std::int64_t kEpochDifference = 116444736000000000LL;
    const std::int64_t since1970 = intervals - kEpochDifference;
    // Rounded down, as the runtime's status call gives whole seconds.
    return since1970 >= 0 ? since1970 / 10000000 : -((-since1970 + 9999999) / 10000000);
}

}  // namespace

OpenFolder::~OpenFolder() = default;

bool OpenFolder::open(const std::string& folder) {
    // The listing waits for the first lookup: a folder opened only to open
    // its files by name is never listed.
    times_.clear();
    listed_ = false;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    path_ = folder;
    descriptor_ = 0;
    return true;
}

bool OpenFolder::listTimes() const {
    if (listed_) return true;
    WIN32_FIND_DATAA data{};
    const HANDLE first = ::FindFirstFileA((path_ + "*.*").c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, CloseFind> find(first);
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        // Names are looked up ignoring case, as the system opens them.
        std::string key = data.cFileName;
        StringUtility::toUpperAscii(key);
        times_[key] =
            Listed{unixSeconds(data.ftLastWriteTime),
                   (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
    } while (::FindNextFileA(find.get(), &data));
    listed_ = true;
    return true;
}

bool OpenFolder::modificationTime(const std::string& name, std::int64_t& seconds) const {
    if (descriptor_ < 0 || !listTimes()) return false;
    std::string key = name;
    StringUtility::toUpperAscii(key);
    const auto found = times_.find(key);
    if (found == times_.end()) return false;
    seconds = found->second.seconds;
    return true;
}

bool OpenFolder::status(const std::string& name, std::int64_t& seconds, SpaceStatus& space) const {
    if (!modificationTime(name, seconds)) return false;
    std::string key = name;
    StringUtility::toUpperAscii(key);
    // The listing gives the length alone: links, identity and allocation need the file opened.
    space = SpaceStatus{};
    space.length = times_[key].length;
    return true;
}

}  // namespace platform
