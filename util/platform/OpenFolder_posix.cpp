// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"
#include "util/platform/PosixStatus.h"

namespace platform {

OpenFolder::~OpenFolder() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

bool OpenFolder::open(const std::string& folder) {
    if (descriptor_ >= 0) ::close(descriptor_);
    const std::string native = toNativePath(folder);
    descriptor_ = native.empty() ? -1 : ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return descriptor_ >= 0;
}

bool OpenFolder::modificationTime(const std::string& name, std::int64_t& seconds) const {
    struct stat status {};
    if (descriptor_ < 0 || name.empty() || ::fstatat(descriptor_, name.c_str(), &status, 0) != 0)
        return false;
    seconds = static_cast<std::int64_t>(status.st_mtime);
    return true;
}

bool OpenFolder::status(const std::string& name, std::int64_t& seconds, SpaceStatus& space) const {
    struct stat status {};
    if (descriptor_ < 0 || name.empty() || ::fstatat(descriptor_, name.c_str(), &status, 0) != 0)
        return false;
    seconds = static_cast<std::int64_t>(status.st_mtime);
    space = posix::spaceOf(status);
    return true;
}

}  // namespace platform
