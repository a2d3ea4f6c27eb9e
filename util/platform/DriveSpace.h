// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The bytes in use on the file system that holds `folder` (program form):
// its size less its free bytes, as the system counts them for every user
// (statvfs; GetDiskFreeSpaceEx on Windows). False when it cannot be read.
[[nodiscard]] bool usedSpace(const std::string& folder, std::uint64_t& used);

}  // namespace platform
