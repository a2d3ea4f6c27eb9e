// SPDX-License-Identifier: MIT
#include "util/platform/TrashFolder_posix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::posix {

namespace {

// How much a folder of the trash must be: any folder (the home trash may be
// reached through a link), a real folder, or a real folder of this user.
enum class Kind { Folder, RealFolder, OwnFolder };

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// $XDG_DATA_HOME/Trash when XDG_DATA_HOME is an absolute path, else
// ~/.local/share/Trash; empty when no home folder is known.
std::string homeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
    std::string home;
    if (const char* set = std::getenv("HOME"); set != nullptr && set[0] == '/') home = set;
    if (home.empty())
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
            home = user->pw_dir;
    return home.empty() || home[0] != '/' ? std::string() : home + "/.local/share/Trash";
}

// The device of `path`, or of its nearest folder that exists when it does not
// exist yet (the home trash is made on the first move).
bool deviceOfNearest(std::string path, dev_t& device) {
    for (;;) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            device = info.st_dev;
            return true;
        }
        if (errno != ENOENT || path == "/") return false;
        path = parentOf(path);
    }
}

// Makes the folder `path` with mode 0700 unless it exists; either way it must
// then be a folder of `kind`.
bool ensureFolder(const std::string& path, Kind kind, std::string& reason) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        reason = "cannot make " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if ((kind == Kind::Folder ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) {
        reason = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        reason = path + " is not a folder";
        return false;
    }
    if (kind == Kind::OwnFolder && info.st_uid != ::getuid()) {
        reason = path + " belongs to another user";
        return false;
    }
    return true;
}

// The home trash and the folders above it that are missing, each 0700.
bool ensureFolders(const std::string& path, std::string& reason) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT && path != "/" &&
        !ensureFolders(parentOf(path), reason))
        return false;
    return ensureFolder(path, Kind::Folder, reason);
}

bool ensureFilesAndInfo(const std::string& trash, Kind kind, std::string& reason) {
    return ensureFolder(trash + "/files", kind, reason) &&
           ensureFolder(trash + "/info", kind, reason);
}

// The highest folder above `folder` (a canonical path) on the device `device`:
// where that file system is mounted.
std::string topFolderOf(std::string folder, dev_t device) {
    while (folder != "/") {
        const std::string up = parentOf(folder);
        struct stat info {};
        if (::stat(up.c_str(), &info) != 0 || info.st_dev != device) break;
        folder = up;
    }
    return folder;
}

}  // namespace

bool TrashFolder::findFor(const std::string& native, const struct stat& file, std::string& reason) {
    const std::string home = homeTrash();
    dev_t homeDevice = 0;
    if (home.empty() || !deviceOfNearest(home, homeDevice) || homeDevice != file.st_dev)
        return findOnTopFolder(native, file, reason);
    folder_ = home;
    pathKey_ = native;
    if (ensureFolders(home, reason) && ensureFilesAndInfo(home, Kind::RealFolder, reason))
        return true;
    reason = "the trash cannot be made: " + reason;
    return false;
}

bool TrashFolder::findOnTopFolder(const std::string& native, const struct stat& file,
                                  std::string& reason) {
    const std::unique_ptr<char, decltype(&std::free)> parent(
        ::realpath(parentOf(native).c_str(), nullptr), &std::free);
    if (!parent) {
        reason = parentOf(native) + ": " + std::strerror(errno);
        return false;
    }
    const std::string path = std::string(parent.get()) + native.substr(native.find_last_of('/'));
    const std::string found = topFolderOf(parent.get(), file.st_dev);
    const std::string top = found == "/" ? std::string() : found;  // joined with "/" below
    pathKey_ = path.substr(top.size() + 1);
    const std::string uid = std::to_string(::getuid());
    // The shared trash counts only as a real, sticky folder: without the
    // sticky bit other users could take this user's folder in it away.
    struct stat shared {};
    if (::lstat((top + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        folder_ = top + "/.Trash/" + uid;
        if (ensureFolder(folder_, Kind::OwnFolder, reason) &&
            ensureFilesAndInfo(folder_, Kind::OwnFolder, reason))
            return true;
    }
    folder_ = top + "/.Trash-" + uid;
    if (ensureFolder(folder_, Kind::OwnFolder, reason) &&
        ensureFilesAndInfo(folder_, Kind::OwnFolder, reason))
        return true;
    reason = "no trash on the file system of " + native + ": " + reason;
    return false;
}

}  // namespace platform::posix
