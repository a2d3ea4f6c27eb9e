// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "results/ContentCheckQueue.h"
#include "results/FileInfoLoader.h"
#include "storage/CSqliteDB.h"

namespace {

// What a queue reported, gathered from its thread.
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> begun;
    std::vector<std::string> masks;
    std::vector<GroupState> states;
    int finished = 0;
    bool completed = false;
    std::string failure;

    ContentCheckQueue::Listener listener() {
        ContentCheckQueue::Listener l;
        l.onBegin = [this](const std::string& mask) {
            std::lock_guard<std::mutex> lock(mutex);
            begun.push_back(mask);
            changed.notify_all();
        };
        l.onChecked = [this](GroupCheck&& group) {
            std::lock_guard<std::mutex> lock(mutex);
            masks.push_back(group.mask);
            states.push_back(group.state);
            changed.notify_all();
        };
        l.onFinished = [this](bool done, const std::string& why) {
            std::lock_guard<std::mutex> lock(mutex);
            ++finished;
            completed = done;
            failure = why;
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

    // Adds `count` file rows that name no file, in one statement, so that
    // the file table is large and has changed since the last pruning.
    static void addFileRows(int count) {
        CSqliteDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open()) << db.errorText();
        ASSERT_TRUE(db.execute(
            "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < " +
            std::to_string(count) +
            ") INSERT INTO FILEINFO_FIF (MASK, FOLDERID, FNAME, FTIME) SELECT printf('%080d', I "
            "% 50000), (SELECT MIN(ID) FROM FILEINFO_DIF), 'row-' || I, 0 FROM N"))
            << db.errorText();
    }
    // One confirmed pair, analysed.
    std::vector<std::string> analysePair() {
        tree_.writeFile("a/pair.bin", block('p'));
        tree_.writeFile("b/pair.bin", block('p'));
        return analyseGroups();
    }
    // Takes a lock on the database through `holder` with `begin`.
    static void lock(CSqliteDB& holder, const char* begin) {
        ASSERT_TRUE(holder.open()) << holder.errorText();
        ASSERT_TRUE(holder.execute(begin)) << holder.errorText();
    }
    // Checks `masks` once to the end, so that the cache's tables exist and
    // its pruning is up to date.
    void checkOnce(const std::vector<std::string>& masks) {
        Reports first;
        ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
        queue.start(masks, first.listener());
        ASSERT_TRUE(first.waitFor([&] { return first.finished == 1; }));
        ASSERT_TRUE(first.completed) << first.failure;
    }
    // Milliseconds that stop() takes, 300 ms after a start of `masks`.
    long long stopLater(ContentCheckQueue& queue, const std::vector<std::string>& masks) {
        queue.start(masks, reports_.listener());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto begin = std::chrono::steady_clock::now();
        queue.stop();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - begin)
            .count();
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
    EXPECT_EQ(reports_.failure, "");
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
    EXPECT_EQ(reports_.failure, "");  // a stop is no failure
}

TEST_F(ContentCheckQueueTest, ASelectedGroupOvertakesALongCheckInHand) {
    writeSparsePair("huge.img", kHuge);
    tree_.writeFile("a/small.bin", block('s'));
    tree_.writeFile("b/small.bin", block('s'));
    const std::vector<std::string> masks = analyseGroups();
    ASSERT_EQ(masks.size(), 2u);

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.start(masks, reports_.listener());
    // The huge pair's check is in hand when the small group is selected.
    ASSERT_TRUE(reports_.waitFor([&] { return !reports_.begun.empty(); }));
    ASSERT_EQ(reports_.begun.front(), masks[0]);
    queue.prioritize(masks[1]);
    ASSERT_TRUE(reports_.waitFor([&] { return !reports_.masks.empty(); }));
    EXPECT_EQ(queue.interruptions(), 1u);  // it gave way, and only once
    // Taken up again right after the selected group.
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.begun.size() == 3; }));
    queue.stop();
    EXPECT_EQ(reports_.begun, (std::vector<std::string>{masks[0], masks[1], masks[0]}));
    EXPECT_EQ(reports_.masks, std::vector<std::string>{masks[1]});
    EXPECT_EQ(reports_.states, std::vector<GroupState>{GroupState::Confirmed});
}

// The bound on stop() is a guard against a hang, far above what it takes
// (bench/ui/ui_check_stop measures that); a lock waited out takes 3 s.
TEST_F(ContentCheckQueueTest, StopIsPromptWhileThePruningWaitsForAWriteLock) {
    const std::vector<std::string> masks = analysePair();
    checkOnce(masks);
    addFileRows(200000);
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_NO_FATAL_FAILURE(lock(holder, "BEGIN IMMEDIATE"));  // another program writes

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    EXPECT_LT(stopLater(queue, masks), 1500);
    EXPECT_EQ(reports_.finished, 1);
    EXPECT_TRUE(reports_.masks.empty());
    EXPECT_EQ(reports_.failure, "");
    ASSERT_TRUE(holder.execute("ROLLBACK"));
}

TEST_F(ContentCheckQueueTest, StopIsPromptWhileReadingWaitsForAnExclusiveLock) {
    const std::vector<std::string> masks = analysePair();
    addFileRows(200000);
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_NO_FATAL_FAILURE(lock(holder, "BEGIN EXCLUSIVE"));  // nobody may even read

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    EXPECT_LT(stopLater(queue, masks), 1500);
    EXPECT_EQ(reports_.finished, 1);
    EXPECT_EQ(reports_.failure, "");
    ASSERT_TRUE(holder.execute("ROLLBACK"));
}

TEST_F(ContentCheckQueueTest, APruningThatCannotRunLeavesTheCheckGoing) {
    const std::vector<std::string> masks = analysePair();
    checkOnce(masks);
    addFileRows(10);  // the next open prunes
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_NO_FATAL_FAILURE(lock(holder, "BEGIN IMMEDIATE"));

    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.start(masks, reports_.listener());
    // The pruning gave up on the lock; the groups are checked all the same.
    ASSERT_TRUE(reports_.waitFor([&] { return !reports_.begun.empty(); }));
    ASSERT_TRUE(holder.execute("ROLLBACK"));
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.finished == 1; }));
    queue.stop();
    EXPECT_TRUE(reports_.completed) << reports_.failure;
    EXPECT_EQ(reports_.states, std::vector<GroupState>{GroupState::Confirmed});
}

TEST_F(ContentCheckQueueTest, AMissingDatabaseEndsTheRunWithNothingReported) {
    ContentCheckQueue queue(tree_.drivePath("nowhere/none.db"));
    queue.start({"00"}, reports_.listener());
    ASSERT_TRUE(reports_.waitFor([&] { return reports_.finished == 1; }));
    queue.stop();
    EXPECT_TRUE(reports_.masks.empty());
    EXPECT_FALSE(reports_.completed);
    // The reason reaches the listener, for the window to show.
    EXPECT_NE(reports_.failure.find("unable to open"), std::string::npos) << reports_.failure;
}

TEST_F(ContentCheckQueueTest, StopWithoutAStartAndTwiceIsHarmless) {
    ContentCheckQueue queue(ConfigInfo::global().getDatabasePath());
    queue.stop();
    queue.stop();
    EXPECT_FALSE(queue.joinable());
    EXPECT_EQ(reports_.finished, 0);
}

}  // namespace
