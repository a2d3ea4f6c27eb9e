// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/platform/FileSystem.h"
#include "util/platform/RenameFile.h"

namespace platform {

bool renameWithoutReplacing(const std::string& from, const std::string& to, std::string& reason) {
    const std::string source = toNativePath(from);
    const std::string target = toNativePath(to);
    if (source.empty() || target.empty()) {
        reason = "no mapped drive holds " + (source.empty() ? from : to);
        return false;
    }
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        reason = std::strerror(errno);
        return false;
    }
    // A file system without the no-replace rename: a hard link cannot replace
    // a file either, and the old name goes once the new one stands.
    if (::link(source.c_str(), target.c_str()) == 0) {
        (void)::unlink(source.c_str());
        return true;
    }
    if (errno == EEXIST) {
        reason = std::strerror(errno);
        return false;
    }
    // Nor hard links (FAT): the last resort checks first, which leaves only
    // the instant between check and rename open.
    if (::access(target.c_str(), F_OK) == 0) {
        reason = std::strerror(EEXIST);
        return false;
    }
    if (std::rename(source.c_str(), target.c_str()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

}  // namespace platform
