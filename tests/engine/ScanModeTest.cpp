// SPDX-License-Identifier: MIT
// The fast scan (batched writes, reading ahead on a second thread) is a
// faster way to the same results: the same scans of the same tree must leave
// the same rows, identifiers included, and report the same folders and files
// in the same order as the plain scan.
#include <cstdlib>
#include <filesystem>

#include "EngineTest.h"
#include "ScopedEnvironment.h"
#include "ThreadStartFault.h"
#include "engine/FileInfoProc.h"

namespace {

using ScanMode = FileInfoProc::ScanMode;
namespace fs = std::filesystem;

// Every table the scanner writes, row by row in ID order.
std::vector<CSqliteDB::Row> dump() {
    std::vector<CSqliteDB::Row> rows;
    for (const char* sql :
         {"SELECT * FROM FILEINFO_DIF ORDER BY ID", "SELECT * FROM FILEINFO_FIF ORDER BY ID",
          "SELECT * FROM sqlite_sequence ORDER BY name"}) {
        rows.push_back({sql});
        for (auto& row : selectRows(sql)) rows.push_back(std::move(row));
    }
    return rows;
}

void setAllTimes(const TempTree& tree, std::int64_t folders, std::int64_t files) {
    const std::string root = tree.root();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().string().substr(root.size() + 1);
        tree.setModificationTime(relative, entry.is_directory() ? folders : files);
    }
    tree.setModificationTime("", folders);
}

// Each folder reported, with the number of files handled before it, then the final count.
class ReportLog : public IInfoLog {
public:
    int print(const char* text) override {
        reports.push_back(std::string(text) + " after " + std::to_string(count));
        return 1;
    }
    std::vector<std::string> reports;
};

std::vector<std::string> scanDrive(ScanMode mode, std::int64_t lastScanTime) {
    FileInfoProc scanner("D:\\", mode);
    scanner.lastScanTime = lastScanTime;
    scanner.folderData().setBatchSize(7);  // many commits, some inside a folder
    ReportLog log;
    scanner.scanFolder(scanner.rootPath().c_str(), log);
    log.reports.push_back("files " + std::to_string(log.count));
    return log.reports;
}

}  // namespace

class ScanModeTest : public EngineTest {
protected:
    void TearDown() override {
        setenv("LANBROOK_DRIVES", ("C:=" + testsupport::prepareScratchEnvironment()).c_str(), 1);
        EngineTest::TearDown();
    }

    // Two scans of a fresh tree mapped as D:, with changes between them; the
    // database after each.
    std::vector<std::vector<CSqliteDB::Row>> scenario(ScanMode mode) {
        testsupport::removeDatabase();
        TempTree tree;
        setenv("LANBROOK_DRIVES",
               ("C:=" + testsupport::prepareScratchEnvironment() + ";D:=" + tree.root()).c_str(),
               1);
        for (int i = 0; i < 40; ++i)
            tree.writeFile("many/f" + std::to_string(i), std::to_string(i % 97));
        tree.writeFile("docs/Read Me.txt", "read me");
        tree.writeFile("docs/Bob's notes", "notes");
        tree.writeFile("docs/old/gone.txt", "gone");
        tree.writeFile("docs/old/deeper/x", "x");
        tree.writeFile("docs/olden/kept", "kept");
        tree.writeFile("edit/in place", "before");
        setAllTimes(tree, 2000, 1000);
        std::vector<std::vector<CSqliteDB::Row>> states;
        reports_.push_back(scanDrive(mode, 0));
        states.push_back(dump());

        fs::remove_all(tree.native("docs/old"));
        fs::remove(tree.native("many/f7"));
        tree.writeFile("many/new", "new");
        tree.writeFile("fresh/sub/y", "y");
        tree.writeFile("edit/in place", "after!");
        setAllTimes(tree, 2000, 1000);
        for (const char* changed : {"docs", "many", ""}) tree.setModificationTime(changed, 2500);
        tree.setModificationTime("edit/in place", 3000);
        reports_.push_back(scanDrive(mode, 2000));
        states.push_back(dump());
        return states;
    }

    std::vector<std::vector<std::string>> reports_;
};

TEST_F(ScanModeTest, FastScansLeaveTheRowsOfPlainScans) {
    const auto plain = scenario(ScanMode::Plain);
    const auto fast = scenario(ScanMode::Fast);
    ASSERT_EQ(plain.size(), fast.size());
    EXPECT_GT(plain[0].size(), 50u);
    for (std::size_t i = 0; i < plain.size(); ++i)
        EXPECT_EQ(plain[i], fast[i]) << "after scan " << i + 1;
}

TEST_F(ScanModeTest, FastScansReportTheFoldersAndFilesOfPlainScansInTheirOrder) {
    (void)scenario(ScanMode::Plain);
    (void)scenario(ScanMode::Fast);
    ASSERT_EQ(reports_.size(), 4u);
    EXPECT_EQ(reports_[0].size(), 8u);  // seven folders, then the file count
    EXPECT_EQ(reports_[0], reports_[2]);
    EXPECT_EQ(reports_[1], reports_[3]);
}

// However little the walk may hold ahead, it goes on: with a budget smaller
// than any listing each folder is let in alone, once the scanner has taken
// the one before.
TEST_F(ScanModeTest, FastScansWithinATinyLookaheadLeaveTheRowsAndReportsOfPlainScans) {
    const auto plain = scenario(ScanMode::Plain);
    ScopedEnvironment budget("LANBROOK_LOOKAHEAD_KIB", "1");
    const auto fast = scenario(ScanMode::Fast);
    EXPECT_EQ(plain, fast);
    ASSERT_EQ(reports_.size(), 4u);
    EXPECT_EQ(reports_[0], reports_[2]);
    EXPECT_EQ(reports_[1], reports_[3]);
}

// Thread starts the system refuses: the walk goes on with the threads it
// has, or on the scanner's thread, with the same rows and reports. The
// refusals follow the order in which the walker starts its threads: a
// lister, two readers, the walk.
TEST_F(ScanModeTest, FastScansWhoseThreadsCannotStartLeaveTheRowsAndReportsOfPlainScans) {
    const auto plain = scenario(ScanMode::Plain);
    const auto plainReports = reports_;
    struct Refusal {
        int refused;
        int allowed;
        const char* what;
    };
    constexpr int kEvery = ThreadStartFault::kEvery;
    for (const Refusal& refusal :
         {Refusal{kEvery, 0, "no thread at all"}, Refusal{kEvery, 1, "a lister only"},
          Refusal{kEvery, 3, "no thread for the walk"}, Refusal{1, 0, "no lister"},
          Refusal{1, 1, "no reader"}}) {
        reports_.clear();
        std::vector<std::vector<CSqliteDB::Row>> fast;
        int refusals = 0;
        {
            ThreadStartFault fault(refusal.refused, refusal.allowed);
            fast = scenario(ScanMode::Fast);
            refusals = fault.refusals();
        }
        EXPECT_GT(refusals, 0) << refusal.what;
        EXPECT_EQ(fast, plain) << refusal.what;
        EXPECT_EQ(reports_, plainReports) << refusal.what;
    }
}

// A tree the walk cannot hold ahead at once: more folders side by side and
// one below the other than it lists ahead, and a folder with more files than
// it reads ahead, read by many readers a run at a time.
class WideDeepScanModeTest : public ScanModeTest {
protected:
    static constexpr int kWide = 600;
    static constexpr int kDeep = 560;
    static constexpr int kBigFolderFiles = 8300;

    struct Outcome {
        std::vector<std::vector<CSqliteDB::Row>> states;
        std::vector<std::vector<std::string>> reports;
    };

    Outcome wideDeepScenario(ScanMode mode) {
        testsupport::removeDatabase();
        TempTree tree;
        setenv("LANBROOK_DRIVES",
               ("C:=" + testsupport::prepareScratchEnvironment() + ";D:=" + tree.root()).c_str(),
               1);
        for (int i = 0; i < kWide; ++i)
            tree.writeFile("wide/w" + std::to_string(i) + "/f", std::to_string(i % 13));
        std::string deep = "deep";
        for (int i = 0; i < kDeep; ++i) {
            deep += "/d";
            if (i % 50 == 0) tree.writeFile(deep + "/f", std::to_string(i));
        }
        tree.makeFolder(deep);
        for (int i = 0; i < kBigFolderFiles; ++i)
            tree.writeFile("big/" + std::to_string(i), std::to_string(i % 101));
        setAllTimes(tree, 2000, 1000);
        Outcome outcome;
        outcome.reports.push_back(scanDrive(mode, 0));
        outcome.states.push_back(dump());

        // Unchanged folders whose files changed after the first scan, spread
        // over the big folder and the chains.
        for (int i = 0; i < kBigFolderFiles; i += 97) {
            tree.writeFile("big/" + std::to_string(i), "changed " + std::to_string(i));
            tree.setModificationTime("big/" + std::to_string(i), 3000);
        }
        tree.writeFile("wide/w599/f", "changed");
        tree.setModificationTime("wide/w599/f", 3000);
        tree.setModificationTime("big", 2000);
        tree.setModificationTime("wide/w599", 2000);
        outcome.reports.push_back(scanDrive(mode, 2000));
        outcome.states.push_back(dump());
        return outcome;
    }
};

TEST_F(WideDeepScanModeTest, FastScansMatchPlainScansBeyondTheLookahead) {
    const Outcome plain = wideDeepScenario(ScanMode::Plain);
    const Outcome fast = wideDeepScenario(ScanMode::Fast);
    Outcome small;
    {
        // The big folder alone is several times this budget.
        ScopedEnvironment budget("LANBROOK_LOOKAHEAD_KIB", "256");
        small = wideDeepScenario(ScanMode::Fast);
    }
    EXPECT_EQ(plain.states, small.states);
    EXPECT_EQ(plain.reports, small.reports);
    ASSERT_EQ(plain.states.size(), 2u);
    // Every folder and file has its row: the root, wide and its folders, the
    // chain, big and their files.
    EXPECT_EQ(plain.reports[0].size(), 1u + 1u + kWide + 1u + kDeep + 1u + 1u);
    EXPECT_GT(plain.states[0].size(), static_cast<std::size_t>(kBigFolderFiles + kWide + kDeep));
    EXPECT_NE(plain.states[0], plain.states[1]);  // the rechecked files were read again
    for (std::size_t i = 0; i < plain.states.size(); ++i) {
        EXPECT_EQ(plain.states[i], fast.states[i]) << "after scan " << i + 1;
        EXPECT_EQ(plain.reports[i], fast.reports[i]) << "reports of scan " << i + 1;
    }
}

// Folders that need no reading, then a folder with more files than the walk
// reads ahead: the walk waits for room while the scanner sleeps with folders
// ready, and must wake it. Each folder has one subfolder, so the order is
// fixed; whether the scanner sleeps at that moment depends on the threads.
TEST_F(WideDeepScanModeTest, BigFolderBehindFoldersWithoutFilesDoesNotStallTheScan) {
    std::vector<std::vector<CSqliteDB::Row>> states;
    for (ScanMode mode : {ScanMode::Plain, ScanMode::Fast}) {
        testsupport::removeDatabase();
        TempTree tree;
        setenv("LANBROOK_DRIVES",
               ("C:=" + testsupport::prepareScratchEnvironment() + ";D:=" + tree.root()).c_str(),
               1);
        for (int i = 0; i < kBigFolderFiles; ++i)
            tree.writeFile("a/b/big/" + std::to_string(i), std::to_string(i % 89));
        tree.writeFile("a/b/big/c/f", "below");
        setAllTimes(tree, 2000, 1000);
        (void)scanDrive(mode, 0);
        states.push_back(dump());
    }
    EXPECT_GT(states[0].size(), static_cast<std::size_t>(kBigFolderFiles));
    EXPECT_EQ(states[0], states[1]);
}
