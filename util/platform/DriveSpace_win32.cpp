// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/DriveSpace.h"

namespace platform {

bool usedSpace(const std::string& folder, std::uint64_t& used) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!::GetDiskFreeSpaceExA(folder.c_str(), &available, &total, &free)) return false;
    used = total.QuadPart - free.QuadPart;
    return true;
}

}  // namespace platform
