// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "results/CStreamingFileInfoDB.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

// A database of a few folders and files in a temporary folder of its own.
class StreamingFileInfoDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open()) << db_.errorText();
        for (const char* folder : {"C:\\A\\", "C:\\B's\\"}) {
            ASSERT_TRUE(db_.insertFolder(folder));
            const std::string id = db_.lastInsertId();
            ASSERT_TRUE(db_.updateFolderTime("20240102030405006", id));
            for (const char* name : {"one.txt", "two.jpg", "three"})
                ASSERT_TRUE(db_.insertFile(id, name, std::string(80, name[1]), 1700000000));
        }
    }

    Table streamed(bool& read) {
        Table rows;
        read = db_.streamRows([this] { return db_.queryAllFiles(); },
                              [&rows](const CStreamingFileInfoDB::RowView& row) {
                                  std::vector<std::string> texts;
                                  for (int i = 0; i < row.size(); ++i) texts.emplace_back(row[i]);
                                  rows.push_back(texts);
                                  return true;
                              });
        return rows;
    }

    Table collected() {
        EXPECT_TRUE(db_.queryAllFiles());
        Table rows(db_.resultRows().begin(), db_.resultRows().end());
        db_.clearResult();
        return rows;
    }

    TempTree tree_;
    CStreamingFileInfoDB db_{tree_.drivePath("files.db")};
};

}  // namespace

TEST_F(StreamingFileInfoDBTest, StreamedRowsAreTheCollectedRowsInTheirOrder) {
    bool read = false;
    const Table rows = streamed(read);
    EXPECT_TRUE(read);
    EXPECT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows, collected());
}

TEST_F(StreamingFileInfoDBTest, StreamingLeavesNoResultRows) {
    bool read = false;
    static_cast<void>(streamed(read));
    EXPECT_TRUE(db_.resultRows().empty());
}

TEST_F(StreamingFileInfoDBTest, ASinkThatRefusesStopsTheQuery) {
    int seen = 0;
    const bool read =
        db_.streamRows([this] { return db_.queryAllFiles(); },
                       [&seen](const CStreamingFileInfoDB::RowView&) { return ++seen < 2; });
    EXPECT_FALSE(read);
    EXPECT_EQ(seen, 2);
}

TEST_F(StreamingFileInfoDBTest, ASinkThatThrowsFailsTheQueryAndCollectingResumes) {
    const bool read = db_.streamRows(
        [this] { return db_.queryAllFiles(); },
        [](const CStreamingFileInfoDB::RowView&) -> bool { throw std::runtime_error("full"); });
    EXPECT_FALSE(read);
    EXPECT_EQ(collected().size(), 6u);
}

TEST_F(StreamingFileInfoDBTest, AFailingQueryReportsFailure) {
    bool read = true;
    ASSERT_TRUE(db_.execute("DROP TABLE FILEINFO_FIF"));
    EXPECT_TRUE(streamed(read).empty());
    EXPECT_FALSE(read);
}

// A write that another connection commits while the window reads holds the
// read up for a moment, not fails it.
TEST_F(StreamingFileInfoDBTest, ReadWaitsForAShortWriteOfAnotherConnection) {
    CFileInfoDB writer(tree_.drivePath("files.db"));
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.execute("BEGIN EXCLUSIVE"));
    std::thread release([&writer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        (void)writer.execute("COMMIT");
    });
    const bool read = db_.queryAllFiles();
    release.join();
    EXPECT_TRUE(read) << db_.errorText();
    EXPECT_EQ(db_.resultRows().size(), 6u);
}

// A lock held for longer than the wait still fails the read.
TEST_F(StreamingFileInfoDBTest, ReadFailsWhenTheLockOutlastsTheWait) {
    CFileInfoDB writer(tree_.drivePath("files.db"));
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.execute("BEGIN EXCLUSIVE"));
    EXPECT_FALSE(db_.queryAllFiles());
    EXPECT_FALSE(db_.errorText().empty());
    (void)writer.execute("ROLLBACK");
}
