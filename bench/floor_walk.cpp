// SPDX-License-Identifier: MIT
// The lower bound of a rescan of an unchanged tree: list every folder and
// take one status of every entry (files and folders), nothing else.
#include <sys/stat.h>

#include <dirent.h>
#include <fcntl.h>

#include "FloorProgram.h"

namespace {

bool statEntry(const FloorEntry& entry, std::uint64_t& checksum) {
    struct stat status {};
    const int result = entry.absolute
                           ? ::lstat(entry.path.c_str(), &status)
                           : ::fstatat(entry.folderFd, entry.name, &status, AT_SYMLINK_NOFOLLOW);
    if (result != 0 || !S_ISREG(status.st_mode)) return false;
    checksum += static_cast<std::uint64_t>(status.st_size);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    return runFloor(argc, argv, "floor_walk", statEntry);
}
