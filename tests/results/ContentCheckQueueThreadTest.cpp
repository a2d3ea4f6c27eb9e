// SPDX-License-Identifier: MIT
// The background content check when the system gives no thread for it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "TempTree.h"
#include "ThreadStartFault.h"
#include "engine/ConfigInfo.h"
#include "results/ContentCheckQueue.h"

TEST(ContentCheckQueueThreadTest, ARunWhoseThreadCannotStartEndsAtOnceUncompleted) {
    testsupport::removeDatabase();
    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    std::atomic<int> finished{0};
    std::atomic<int> completed{0};
    std::atomic<int> checked{0};
    std::string reason;
    const auto listener = [&] {
        ContentCheckQueue::Listener l;
        l.onChecked = [&](GroupCheck&&) { ++checked; };
        l.onFinished = [&](bool done, const std::string& why) {
            completed += done ? 1 : 0;
            if (!done && reason.empty()) reason = why;
            ++finished;
        };
        return l;
    };
    {
        ThreadStartFault fault(1);
        queue.start({"0100000041" + std::string(70, '0')}, listener());
        EXPECT_EQ(fault.refusals(), 1);
    }
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(completed, 0);
    EXPECT_FALSE(reason.empty());  // the window shows why nothing was checked
    EXPECT_FALSE(queue.joinable());
    queue.prioritize("anything");
    queue.stop();
    // The next run has its thread again.
    queue.start({}, listener());
    queue.stop();
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(checked, 0);
}
