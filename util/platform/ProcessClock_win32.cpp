// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/ProcessClock.h"

namespace platform {

std::int64_t processCpuNanoseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& time) {  // 100-nanosecond intervals
        return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) |
               static_cast<std::int64_t>(time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100;
}

}  // namespace platform
