// SPDX-License-Identifier: MIT
// The console runner says on standard error, in one line that names the path
// and the reason, what stands in the way of a run; the window stays silent.
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "RunFixture.h"

namespace {

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

class ConsoleFaultTest : public RunFixture {
protected:
    void SetUp() override {
        drive_.writeFile("data/a.txt", "same");
        drive_.writeFile("data/b.txt", "same");
    }
};

TEST_F(ConsoleFaultTest, DamagedDatabaseIsSetAsideAndTheRunGoesOnWithANewOne) {
    drive_.writeFile("profile/FileInfoData/FileInfo__.db", std::string(8192, '#'));
    const ScanResult run = scan();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_TRUE(contains(run.err, drive_.databasePath() + " is damaged (file is not a database)"))
        << run.err;
    EXPECT_TRUE(contains(run.err, "it is kept as " + drive_.databasePath() + ".broken-"))
        << run.err;
    EXPECT_TRUE(contains(run.out, "Duplicate groups: 1")) << run.out;
    EXPECT_EQ(integrityCheck(drive_.databasePath()), "ok");
}

TEST_F(ConsoleFaultTest, DataDirectoryThatCannotBeCreatedIsOneLineAndExitOne) {
    // A file stands where the data directory's parent should be.
    drive_.writeFile("blocked", "a file, not a folder");
    ScanProcess::Options options = drive_.options();
    options.environment[1] = "USERPROFILE=" + drive_.native("blocked/profile");
    const ScanResult run = runScan(options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_TRUE(contains(run.err, "cannot create the data directory " +
                                      drive_.native("blocked/profile/FileInfoData/")))
        << run.err;
    EXPECT_TRUE(contains(run.err, "Not a directory")) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(ConsoleFaultTest, DatabaseThatCannotBeOpenedIsOneLineWithSqliteMessage) {
    drive_.makeFolder("profile/FileInfoData/FileInfo__.db");  // a folder in the file's place
    const ScanResult run = scan();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_TRUE(contains(run.err, "cannot open the database " + drive_.databasePath() + ": "))
        << run.err;
    EXPECT_TRUE(contains(run.err, "unable to open database file")) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(ConsoleFaultTest, DatabaseHeldExclusivelyIsOneLineAndNoRun) {
    ASSERT_EQ(scan().status, 0);
    // The holder is this process: BEGIN EXCLUSIVE keeps every other process out.
    ScanProcess::Options options = drive_.options();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(drive_.databasePath().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const ScanResult run = runScan(options);
    sqlite3_close(holder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_TRUE(contains(run.err, drive_.databasePath() + ": database is locked")) << run.err;
}
