// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace platform {

// Processor time the calling thread has used so far, in nanoseconds. Set
// against the time that passed meanwhile, it tells a thread that computes
// from one that waits (on a disk, say). 0 when the system cannot tell.
[[nodiscard]] std::int64_t threadCpuNanoseconds();

}  // namespace platform
