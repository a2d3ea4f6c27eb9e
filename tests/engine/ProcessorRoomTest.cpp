// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/ProcessorRoom.h"
#include "util/platform/ProcessClock.h"

// An idle process has room once the shortest span has passed, and a moment
// right after an answer decides nothing.
TEST(ProcessorRoomTest, IdleProcessHasRoomButOnlyAfterAMomentHasPassed) {
    ProcessorRoom room(90);
    EXPECT_FALSE(room.hasRoom()) << "no time has passed yet";
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_TRUE(room.hasRoom());
    EXPECT_FALSE(room.hasRoom()) << "asked again at once";
}

// Threads that compute on every processor leave no room. Other programs
// may take the processors from the spinners; the answer must then follow
// what the process really got, which the test measures over the same span.
TEST(ProcessorRoomTest, EveryProcessorBusyLeavesNoRoom) {
    ProcessorRoom room(25);
    std::atomic<bool> stop{false};
    std::vector<std::thread> spinners;
    const unsigned processors = std::max(std::thread::hardware_concurrency(), 1u);
    for (unsigned i = 0; i < processors; ++i)
        spinners.emplace_back([&stop] {
            while (!stop.load(std::memory_order_relaxed)) {
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    (void)room.hasRoom();  // the span before the spinners ran is left behind
    const auto wallStart = std::chrono::steady_clock::now();
    const std::int64_t cpuStart = platform::processCpuNanoseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const bool room200 = room.hasRoom();
    const std::int64_t cpu = platform::processCpuNanoseconds() - cpuStart;
    const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now() - wallStart)
                          .count();
    stop = true;
    for (std::thread& spinner : spinners) spinner.join();
    const double busyPercent = 100.0 * double(cpu) / (double(wall) * processors);
    if (busyPercent >= 40)
        EXPECT_FALSE(room200) << busyPercent << "% busy";
    else if (busyPercent < 15)
        EXPECT_TRUE(room200) << "the machine left the spinners " << busyPercent << "%";
    else
        GTEST_SKIP() << "the machine left the spinners " << busyPercent
                     << "%, too near the limit to decide";
}
