// SPDX-License-Identifier: MIT
// The file-system seam on POSIX systems: program-form paths are translated
// through the drive map at every call.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "util/platform/DriveMap.h"
#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"

namespace platform {

namespace {

struct CloseDir {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

// Program folders, system folders and program data, never scanned.
constexpr const char* kSystemFolders[] = {
    "/proc", "/sys", "/dev",   "/run",   "/boot",   "/etc", "/usr",  "/bin",
    "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/opt", "/snap", "/var",
};

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether an entry is reported, and as what. Links, FIFOs, sockets and
// devices are left out: they take no space of their own, could block the
// scan or lead it round in circles.
bool classify(int dirFd, const dirent& entry, bool& isDirectory) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status {};
        if (::fstatat(dirFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
        type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_LNK;
    }
    if (type != DT_DIR && type != DT_REG) return false;
    isDirectory = type == DT_DIR;
    return true;
}

// Every entry of an open listing, as listFolder reports them.
void readEntries(DIR* dir, std::vector<FolderEntry>& entries) {
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        FolderEntry item;
        if (isDotOrDotDot(entry->d_name)) {
            item.isDirectory = true;
        } else if (std::strchr(entry->d_name, '\\') != nullptr ||
                   !classify(fd, *entry, item.isDirectory)) {
            continue;  // a backslash cannot be written in a program path
        }
        item.name = entry->d_name;
        entries.push_back(std::move(item));
    }
}

// The local time of a status's last write.
bool localTimeOf(const struct stat& status, LocalTime& time) {
    std::tm local{};
    const time_t seconds = status.st_mtim.tv_sec;
    if (::localtime_r(&seconds, &local) == nullptr) return false;
    time = LocalTime{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     local.tm_sec,
                     static_cast<int>(status.st_mtim.tv_nsec / 1000000)};
    return true;
}

// True when native `inner` is `outer` or lies below it ("" stands for "/").
bool isInside(const std::string& inner, const std::string& outer) {
    return inner.compare(0, outer.size(), outer) == 0 &&
           (inner.size() == outer.size() || inner[outer.size()] == '/');
}

}  // namespace

bool pathsIgnoreCase() {
    return false;
}

std::vector<std::string> logicalDrives() {
    std::vector<std::string> roots;
    for (const auto& drive : DriveMap::current().drives())
        roots.push_back(std::string(1, drive.letter) + ":\\");
    return roots;
}

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const std::string native = toNativePath(folder);
    if (native.empty()) return false;
    std::unique_ptr<DIR, CloseDir> dir(::opendir(native.c_str()));
    if (!dir) return false;
    readEntries(dir.get(), entries);
    return true;
}

bool listFolder(const OpenFolder& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    // The listing reads through a descriptor of its own, so the folder's
    // stays where it is for the status calls made through it.
    const int own = folder.descriptor_ >= 0 ? ::dup(folder.descriptor_) : -1;
    if (own < 0) return false;
    std::unique_ptr<DIR, CloseDir> dir(::fdopendir(own));
    if (!dir) {
        ::close(own);
        return false;
    }
    ::rewinddir(dir.get());
    readEntries(dir.get(), entries);
    return true;
}

bool lastWriteTime(const std::string& path, LocalTime& time) {
    const std::string native = toNativePath(path);
    struct stat status {};
    return !native.empty() && ::stat(native.c_str(), &status) == 0 && localTimeOf(status, time);
}

bool lastWriteTime(const OpenFolder& folder, LocalTime& time) {
    struct stat status {};
    return folder.descriptor_ >= 0 && ::fstat(folder.descriptor_, &status) == 0 &&
           localTimeOf(status, time);
}

bool modificationTime(const std::string& path, std::int64_t& seconds) {
    const std::string native = toNativePath(path);
    struct stat status {};
    if (native.empty() || ::stat(native.c_str(), &status) != 0) return false;
    seconds = static_cast<std::int64_t>(status.st_mtime);
    return true;
}

bool pathExists(const std::string& path) {
    const std::string native = toNativePath(path);
    return !native.empty() && ::access(native.c_str(), F_OK) == 0;
}

bool makeDirectory(const std::string& path) {
    const std::string native = toNativePath(path);
    return !native.empty() && ::mkdir(native.c_str(), 0777) == 0;
}

std::string toNativePath(const std::string& path) {
    // A native path already (the data directory of a profile no drive maps).
    if (!path.empty() && path[0] == '/') return path;
    return DriveMap::current().toNative(path);
}

bool fromNativePath(const std::string& native, std::string& path) {
    return DriveMap::current().fromNative(native, path);
}

bool userProfileFolder(std::string& folder) {
    for (const char* name : {"USERPROFILE", "HOME"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        // A native folder is written in program form where a drive maps it;
        // one that no drive maps stays native (the database may lie anywhere).
        if (*value != '/' || !fromNativePath(value, folder)) folder = value;
        return true;
    }
    return false;
}

const char* userProfileSource() {
    return "USERPROFILE, else HOME";
}

std::vector<std::string> systemFolders() {
    std::vector<std::string> folders;
    for (const auto& drive : DriveMap::current().drives()) {
        const std::string root = std::string(1, drive.letter) + ":";
        // A drive mapped to a system folder, or to a folder inside one, was
        // asked for by name and is scanned; only system folders met below a
        // drive's root are left out.
        for (const char* system : kSystemFolders) {
            if (isInside(system, drive.folder) && drive.folder != system)
                folders.push_back(root + std::string(system).substr(drive.folder.size()) + "/");
        }
    }
    for (std::string& folder : folders)
        for (char& c : folder)
            if (c == '/') c = '\\';
    return folders;
}

}  // namespace platform
