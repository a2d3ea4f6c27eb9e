// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace platform {

// Processor time all threads of the process have used so far, in
// nanoseconds (on Windows counted in steps of about 16 milliseconds). 0 when
// the system cannot tell.
[[nodiscard]] std::int64_t processCpuNanoseconds();

}  // namespace platform
