// SPDX-License-Identifier: MIT
#include "engine/ProcessorRoom.h"

#include <algorithm>
#include <thread>

#include "util/platform/ProcessClock.h"

namespace {
// The shortest time an answer covers: long against the scheduler's time
// slices and the coarse processor clock of some systems.
constexpr std::chrono::milliseconds kShortestSpan{20};
}  // namespace

ProcessorRoom::ProcessorRoom(int busyPercent)
    : since_(std::chrono::steady_clock::now()),
      processorSince_(platform::processCpuNanoseconds()),
      processors_(std::max<std::int64_t>(std::thread::hardware_concurrency(), 1)),
      busyPercent_(busyPercent) {}

bool ProcessorRoom::hasRoom() {
    const auto now = std::chrono::steady_clock::now();
    if (now - since_ < kShortestSpan) return false;
    const std::int64_t processor = platform::processCpuNanoseconds();
    const std::int64_t used = processor - processorSince_;
    const std::int64_t available =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - since_).count() * processors_;
    since_ = now;
    processorSince_ = processor;
    return used < available / 100 * busyPercent_;
}
