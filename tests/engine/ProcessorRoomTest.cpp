// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/ProcessorRoom.h"

// An idle process has room once the shortest span has passed, and a moment
// right after an answer decides nothing.
TEST(ProcessorRoomTest, IdleProcessHasRoomButOnlyAfterAMomentHasPassed) {
    ProcessorRoom room(90);
    EXPECT_FALSE(room.hasRoom()) << "no time has passed yet";
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_TRUE(room.hasRoom());
    EXPECT_FALSE(room.hasRoom()) << "asked again at once";
}

// Threads that compute on every processor leave no room.
TEST(ProcessorRoomTest, EveryProcessorBusyLeavesNoRoom) {
    ProcessorRoom room(25);  // low, so that other programs running meanwhile do not decide
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
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const bool room200 = room.hasRoom();
    stop = true;
    for (std::thread& spinner : spinners) spinner.join();
    EXPECT_FALSE(room200);
}
