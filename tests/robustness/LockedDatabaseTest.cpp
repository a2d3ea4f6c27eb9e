// SPDX-License-Identifier: MIT
// Another process holds the database's write lock while a run goes on: every
// write fails at once, the run still ends and says how many failed, and the
// next run without the lock repairs every row.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "RunFixture.h"

namespace {

// A second process that holds the write lock of a database (BEGIN IMMEDIATE)
// from construction until release() or destruction; then it rolls back and ends.
class LockHolder {
public:
    explicit LockHolder(const std::string& databasePath) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            sqlite3* db = nullptr;
            const bool locked =
                sqlite3_open(databasePath.c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
            const char answer = locked ? 'L' : 'F';
            (void)!::write(ready[1], &answer, 1);
            char ignored = 0;
            (void)!::read(release[0], &ignored, 1);  // returns when the test closes its end
            sqlite3_close(db);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char answer = 0;
        locked_ = ::read(ready[0], &answer, 1) == 1 && answer == 'L';
        ::close(ready[0]);
    }
    ~LockHolder() { release(); }

    bool locked() const { return locked_; }
    void release() {
        if (releaseFd_ >= 0) ::close(releaseFd_);
        releaseFd_ = -1;
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool locked_ = false;
};

// The number in "lanbrook-scan: N writes to the database failed ...", or -1.
long failedWritesReported(const std::string& err) {
    const std::string marker = "lanbrook-scan: ";
    const std::size_t at = err.find(" writes to the database failed");
    if (at == std::string::npos) return -1;
    const std::size_t from = err.rfind(marker, at);
    if (from == std::string::npos) return -1;
    return std::strtol(err.c_str() + from + marker.size(), nullptr, 10);
}

}  // namespace

class LockedDatabaseTest : public RunFixture {
protected:
    void SetUp() override {
        buildTree("data", 40, 5);
        drive_.writeFile("root-file.dat", "in the root folder");
        const ScanResult first = scan();
        ASSERT_EQ(first.status, 0) << first.err;
    }

    // Rewrites in place (in the root, which every run enters first, and
    // further down), adds and deletes files, adds a folder.
    void changeTree() {
        const std::int64_t modified = backdateLastScan();
        rewriteInPlace("root-file.dat", modified);
        rewriteInPlace(folderOf(7) + "/file-1.dat", modified);
        drive_.writeFile(folderOf(11) + "/added.dat", "added");
        ::unlink(drive_.native(folderOf(13) + "/file-2.dat").c_str());
        buildTree("fresh", 3, 4);
    }

    static std::string folderOf(int f) {
        return "data/group-" + std::to_string(f / 20) + "/folder-" + std::to_string(f) +
               "-with-a-name-long-enough-for-a-listing-line";
    }
};

TEST_F(LockedDatabaseTest, RunUnderALockEndsWithItsSummaryAndCountsTheFailedWrites) {
    changeTree();
    LockHolder lock(drive_.databasePath());
    ASSERT_TRUE(lock.locked());
    const ScanResult locked = scan();
    EXPECT_EQ(locked.status, 3) << locked.err;
    EXPECT_TRUE(contains(locked.out, "Files handled:")) << locked.out;
    // At least the rewritten files, the added one, the deletion and the new folders.
    EXPECT_GE(failedWritesReported(locked.err), 8) << locked.err;
}

// Nothing changed on disk, yet every folder's time is written again: each
// refused write counts, and the run does not count as complete.
TEST_F(LockedDatabaseTest, RunOverAnUnchangedTreeUnderALockCountsEveryFolderWrite) {
    LockHolder lock(drive_.databasePath());
    ASSERT_TRUE(lock.locked());
    const ScanResult locked = scan();
    EXPECT_EQ(locked.status, 3) << locked.err;
    const std::size_t folders = currentImage().folders.size();
    EXPECT_GE(failedWritesReported(locked.err), static_cast<long>(folders)) << locked.err;
}

TEST_F(LockedDatabaseTest, RunUnderALockChangesNoRow) {
    changeTree();
    const DatabaseImage before = currentImage();
    {
        LockHolder lock(drive_.databasePath());
        ASSERT_TRUE(lock.locked());
        (void)scan();
    }
    const DatabaseImage after = currentImage();
    EXPECT_EQ(after.folders, before.folders);
    EXPECT_EQ(after.files, before.files);
    EXPECT_EQ(after.index, before.index);
}

TEST_F(LockedDatabaseTest, NextRunWithoutTheLockRepairsEveryRow) {
    changeTree();
    {
        LockHolder lock(drive_.databasePath());
        ASSERT_TRUE(lock.locked());
        (void)scan();
    }
    const ScanResult repair = scan();
    EXPECT_EQ(repair.status, 0) << repair.err;
    EXPECT_EQ(repair.err, "");
    const DatabaseImage repaired = currentImage();
    expectSameRows(repaired, cleanScanImage());
}

// The lock goes while the run is in its subfolders: the root's rewritten file
// failed, later writes succeed. The run must not record itself as a complete
// scan, or the next run would take the root's file for unchanged.
TEST_F(LockedDatabaseTest, LockReleasedPartWayStillLetsTheNextRunRepairEveryRow) {
    changeTree();
    {
        LockHolder lock(drive_.databasePath());
        ASSERT_TRUE(lock.locked());
        ScanProcess run(drive_.options(true));
        std::string line;
        for (int read = 0; read < 3 && run.readLine(line); ++read) {
        }
        lock.release();
        (void)run.readRest();
        EXPECT_EQ(run.wait(), 3) << run.errorText();
    }
    const ScanResult repair = scan();
    EXPECT_EQ(repair.status, 0) << repair.err;
    const DatabaseImage repaired = currentImage();
    expectSameRows(repaired, cleanScanImage());
}
