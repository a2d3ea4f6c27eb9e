// SPDX-License-Identifier: MIT
// A run killed part way loses nothing: the next complete run leaves exactly
// the rows of a clean scan of the same tree.
#include <signal.h>

#include "RunFixture.h"

class InterruptedRunTest : public RunFixture {
protected:
    void SetUp() override {
        buildTree("old", 300, 6);
        const ScanResult first = scan();
        ASSERT_EQ(first.status, 0) << first.err;
    }

    // Changes of every kind, spread over the tree: files rewritten in place
    // (found only through the recorded scan time), added, deleted, a folder
    // tree removed, and a new tree large enough that a run commits part of
    // its writes before it ends.
    void changeTree() {
        const std::int64_t modified = backdateLastScan();
        for (int f = 0; f < 300; f += 7) rewriteInPlace(folderOf(f) + "/file-1.dat", modified);
        for (int f = 3; f < 300; f += 11) drive_.writeFile(folderOf(f) + "/added.dat", "added");
        for (int f = 5; f < 300; f += 13)
            ::unlink(drive_.native(folderOf(f) + "/file-2.dat").c_str());
        removeTree(drive_.native("old/group-4"));
        buildTree("new", 400, 12);
    }

    static std::string folderOf(int f) {
        return "old/group-" + std::to_string(f / 20) + "/folder-" + std::to_string(f) +
               "-with-a-name-long-enough-for-a-listing-line";
    }

    // Starts a run that prints its folders, kills it once it has printed
    // `lines` of them and returns how it ended.
    int runKilledAfter(int lines) {
        ScanProcess run(drive_.options(true));
        std::string line;
        for (int read = 0; read < lines && run.readLine(line); ++read) {
        }
        run.kill();
        return run.wait();
    }
};

TEST_F(InterruptedRunTest, KilledRunLeavesASoundFile) {
    changeTree();
    ASSERT_EQ(runKilledAfter(500), 128 + SIGKILL);
    EXPECT_EQ(integrityCheck(drive_.databasePath()), "ok");
}

TEST_F(InterruptedRunTest, RunAfterTwoKilledRunsLeavesTheRowsOfACleanScan) {
    changeTree();
    ASSERT_EQ(runKilledAfter(150), 128 + SIGKILL);
    ASSERT_EQ(integrityCheck(drive_.databasePath()), "ok");
    ASSERT_EQ(runKilledAfter(500), 128 + SIGKILL);
    ASSERT_EQ(integrityCheck(drive_.databasePath()), "ok");

    const ScanResult last = scan();
    ASSERT_EQ(last.status, 0) << last.err;
    const DatabaseImage resumed = currentImage();
    expectSameRows(resumed, cleanScanImage());
}
