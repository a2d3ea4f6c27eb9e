// SPDX-License-Identifier: MIT
#include <time.h>

#include "util/platform/ProcessClock.h"

namespace platform {

std::int64_t processCpuNanoseconds() {
    timespec now{};
    if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now) != 0) return 0;
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace platform
