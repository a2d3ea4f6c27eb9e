// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "TempTree.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "results/ContentCheckQueue.h"
#include "results/FileInfoLoader.h"

namespace {

// What a queue reported, gathered from its thread.
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> masks;
    std::vector<GroupState> states;
    int finished = 0;
    bool completed = false;

    ContentCheckQueue::Listener listener() {
        ContentCheckQueue::Listener l;
        l.onChecked = [this](GroupCheck&& group) {
            std::lock_guard<std::mutex> lock(mutex);
            masks.push_back(group.mask);
            states.push_back(group.state);
            changed.notify_all();
        };
        l.onFinished = [this](bool done) {
            std::lock_guard<std::mutex> lock(mutex);
            ++finished;
            completed = done;
            changed.notify_all();
        };
        return l;
    }
    // Waits until `ready` holds; false when it does not within a minute (a
    // guard against a hang, not a measure of speed).
    template <class Ready>
    bool waitFor(Ready ready) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::minutes(1), ready);
    }
};

class ContentCheckQueueTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::removeDatabase(); }

    // Analyses the scratch drives and returns the MASKs of the groups of
    // more than one file, most waste first.
    std::vector<std::string> analyseGroups() {
        {
            ConsoleTarget target(stdout, true);
            (void)AnalyseThreadProc(&target);
        }
        FileInfoLoader loader;
        EXPECT_TRUE(loader.isDatabaseReady());
        loader.loadCategoryTable();
        EXPECT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
        std::vector<std::string> masks;
        for (int i = 0; i < loader.groupCount(); ++i) {
            const GroupTable::Row row = loader.GetFileInfo(i);
            if (std::atoi(row[0].c_str()) > 1) masks.push_back(row[1]);
        }
        return masks;
    }
    // Two sparse files of `bytes` zero bytes: copies whose check reads long.
    void writeSparsePair(const std::string& name, std::uintmax_t bytes) {
        for (const char* folder : {"x/", "y/"}) {
            tree_.writeFile(folder + name, "");
            std::filesystem::resize_file(tree_.native(folder + name), bytes);
        }
    }
    // 9000 bytes of `fill`; with `flip`, byte 500 (between two of the
    // fingerprint's samples) differs.
    static std::string block(char fill, bool flip = false) {
        std::string bytes(9000, fill);
        if (flip) bytes[500] = '#';
        return bytes;
    }

    // Not a multiple of 4 GiB, whose 32-bit size field would read 0 and put it last.
    static constexpr std::uintmax_t kHuge = std::uintmax_t(67) << 30;
    TempTree tree_;
    Reports reports_;
};

TEST_F(ContentCheckQueueTest, ChecksEveryGroupOnceInOrderWithItsState) {
    tree_.writeFile("a/true.bin", block('t'));
    tree_.writeFile("b/true.bin", block('t'));
    tree_.writeFile("a/false.bin", block('f'));
    tree_.writeFile("b/false.bin", block('f', true));
    const std::vector<std::string> masks = analyseGroups();
    ASSERT_EQ(masks.size(), 2u);

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.start(masks, reports_.listener());
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.finished == 1; }));
    queue.stop();
    EXPECT_FALSE(queue.joinable());
    EXPECT_TRUE(reports_.completed);
    EXPECT_EQ(reports_.masks, masks);
    ASSERT_EQ(reports_.states.size(), 2u);
    // Both groups hold 9000-byte files; which is first depends on the index.
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const bool isTrue = masks[i].find("74747474") != std::string::npos;
        EXPECT_EQ(reports_.states[i], isTrue ? GroupState::Confirmed : GroupState::Refuted) << i;
    }
}

TEST_F(ContentCheckQueueTest, AGroupPrioritisedBeforeTheStartIsCheckedFirst) {
    for (int i = 0; i < 4; ++i) {
        const std::string name = "g" + std::to_string(i) + ".bin";
        tree_.writeFile("a/" + name, std::string(100 + i, char('A' + i)));
        tree_.writeFile("b/" + name, std::string(100 + i, char('A' + i)));
    }
    const std::vector<std::string> masks = analyseGroups();
    ASSERT_EQ(masks.size(), 4u);
    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.prioritize(masks[2]);
    queue.start(masks, reports_.listener());
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.finished == 1; }));
    EXPECT_EQ(reports_.masks, (std::vector<std::string>{masks[2], masks[0], masks[1], masks[3]}));
}

TEST_F(ContentCheckQueueTest, StopEndsALongCheckAndLeavesItsGroupUnreported) {
    tree_.writeFile("a/small.bin", block('s'));
    tree_.writeFile("b/small.bin", block('s'));
    writeSparsePair("huge.img", kHuge);
    const std::vector<std::string> masks = analyseGroups();
    ASSERT_EQ(masks.size(), 2u);  // the huge pair first: it wastes more

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.prioritize(masks[1]);
    queue.start(masks, reports_.listener());
    // Once the small group is reported the thread is on the huge one.
    ASSERT_TRUE(reports_.waitFor([&] { return !reports_.masks.empty(); }));
    queue.stop();
    EXPECT_FALSE(queue.joinable());
    EXPECT_EQ(reports_.masks, std::vector<std::string>{masks[1]});
    EXPECT_EQ(reports_.finished, 1);
    EXPECT_FALSE(reports_.completed);
}

TEST_F(ContentCheckQueueTest, ASelectedGroupOvertakesALongCheckInHand) {
    writeSparsePair("huge.img", kHuge);
    tree_.writeFile("a/small.bin", block('s'));
    tree_.writeFile("b/small.bin", block('s'));
    const std::vector<std::string> masks = analyseGroups();
    ASSERT_EQ(masks.size(), 2u);

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.start(masks, reports_.listener());
    queue.prioritize(masks[1]);
    ASSERT_TRUE(reports_.waitFor([&] { return !reports_.masks.empty(); }));
    queue.stop();
    EXPECT_EQ(reports_.masks, std::vector<std::string>{masks[1]});
    EXPECT_EQ(reports_.states, std::vector<GroupState>{GroupState::Confirmed});
}

TEST_F(ContentCheckQueueTest, AMissingDatabaseEndsTheRunWithNothingReported) {
    ContentCheckQueue queue(tree_.drivePath("nowhere/none.db"));
    queue.start({"00"}, reports_.listener());
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.finished == 1; }));
    queue.stop();
    EXPECT_TRUE(reports_.masks.empty());
    EXPECT_FALSE(reports_.completed);
}

TEST_F(ContentCheckQueueTest, StopWithoutAStartAndTwiceIsHarmless) {
    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.stop();
    queue.stop();
    EXPECT_FALSE(queue.joinable());
    EXPECT_EQ(reports_.finished, 0);
}

}  // namespace
