// SPDX-License-Identifier: MIT
#include "TreeWalk.h"

#include "FileDescriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct CloseDir {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

unsigned char resolveType(int folderFd, const char* name) {
    struct stat status {};
    if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
    if (S_ISDIR(status.st_mode)) return DT_DIR;
    if (S_ISREG(status.st_mode)) return DT_REG;
    return S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
}

}  // namespace

bool TreeWalk::run(const std::string& root) {
    FileDescriptor fd(::open(root.c_str(), kFolderFlags));
    if (!fd.valid()) return false;
    std::string path = root;
    walkFolder(fd, path);
    return true;
}

// `path` is the folder's path on entry and on return; it grows by one name
// while an entry is visited.
void TreeWalk::walkFolder(FileDescriptor& folder, std::string& path) {
    const int folderFd = folder.get();
    std::unique_ptr<DIR, CloseDir> dir(::fdopendir(folderFd));
    if (!dir) {
        ++foldersSkipped_;
        return;
    }
    folder.release();  // the DIR owns it now
    ++foldersEntered_;
    const std::size_t folderLength = path.size();
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isDotOrDotDot(entry->d_name)) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) type = resolveType(folderFd, entry->d_name);
        path.append(1, '/').append(entry->d_name);
        visitor_(folderFd, entry->d_name, path, type);
        if (type == DT_DIR) {
            FileDescriptor child(::openat(folderFd, entry->d_name, kFolderFlags));
            if (child.valid()) {
                walkFolder(child, path);
            } else {
                ++foldersSkipped_;
            }
        }
        path.resize(folderLength);
    }
}
