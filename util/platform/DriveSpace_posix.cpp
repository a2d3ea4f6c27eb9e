// SPDX-License-Identifier: MIT
#include <sys/statvfs.h>

#include "util/platform/DriveSpace.h"
#include "util/platform/FileSystem.h"

namespace platform {

bool usedSpace(const std::string& folder, std::uint64_t& used) {
    const std::string native = toNativePath(folder);
    struct statvfs status {};
    if (native.empty() || ::statvfs(native.c_str(), &status) != 0) return false;
    used = (static_cast<std::uint64_t>(status.f_blocks) - status.f_bfree) * status.f_frsize;
    return true;
}

}  // namespace platform
