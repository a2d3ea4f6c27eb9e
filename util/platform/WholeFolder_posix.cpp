// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "util/platform/FileSystem.h"
#include "util/platform/PosixStatus.h"
#include "util/platform/WholeFolder.h"

namespace platform {

namespace {

struct CloseDir {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

WholeFolderEntry::Kind kindOf(int folder, const char* name) {
    struct stat info {};
    // A name the program form cannot hold is no file the analysis stored.
    if (std::strchr(name, '\\') != nullptr ||
        ::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return WholeFolderEntry::Kind::Other;
    if (S_ISREG(info.st_mode)) return WholeFolderEntry::Kind::File;
    if (S_ISDIR(info.st_mode)) return WholeFolderEntry::Kind::Folder;
    return WholeFolderEntry::Kind::Other;
}

}  // namespace

bool listWholeFolder(const std::string& folder, std::vector<WholeFolderEntry>& entries,
                     FileError& error) {
    entries.clear();
    const std::string native = toNativePath(folder);
    if (native.empty()) {
        error = FileError{false, "the path lies on no mapped drive"};
        return false;
    }
    const int descriptor = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        posix::setError(error, errno);
        return false;
    }
    std::unique_ptr<DIR, CloseDir> dir(::fdopendir(descriptor));
    if (!dir) {
        posix::setError(error, errno);
        ::close(descriptor);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        entries.push_back({entry->d_name, kindOf(descriptor, entry->d_name)});
    }
    if (errno != 0) {
        posix::setError(error, errno);
        return false;
    }
    return true;
}

bool trashedEntryStatus(const TrashedItem& folder, const std::string& relative, FileStatus& status,
                        FileError& error) {
    if (folder.trashedPath.empty()) {
        error = FileError{true, "the place in the trash is not known"};
        return false;
    }
    std::string native = folder.trashedPath + '/' + relative;
    for (std::size_t i = folder.trashedPath.size() + 1; i < native.size(); ++i)
        if (native[i] == '\\') native[i] = '/';
    struct stat info {};
    if (::lstat(native.c_str(), &info) != 0) {
        posix::setError(error, errno);
        return false;
    }
    status = posix::statusOf(info);
    return true;
}

}  // namespace platform
