// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>

#include "EngineTest.h"
#include "engine/FileInfoProc.h"
#include "storage/CFileInfoDB.h"
#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"

namespace {

using ScanMode = FileInfoProc::ScanMode;

std::string fingerprintOf(const std::string& path) {
    char mask[256] = {};
    std::int64_t mtime = 0;
    EXPECT_TRUE(FileInfoProc::computeFingerprint(path.c_str(), mtime, mask)) << path;
    return mask;
}

// Triggers that count every write to the file rows and every folder time
// update, whichever connection makes them.
void installWriteLog() {
    executeSql("CREATE TABLE WRITELOG (T TEXT)");
    for (const char* event : {"INSERT", "UPDATE", "DELETE"}) {
        executeSql(std::string("CREATE TRIGGER FIF_") + event + " AFTER " + event +
                   " ON FILEINFO_FIF BEGIN INSERT INTO WRITELOG VALUES ('FIF'); END");
    }
    executeSql(
        "CREATE TRIGGER DIF_UPDATE AFTER UPDATE ON FILEINFO_DIF BEGIN INSERT INTO WRITELOG VALUES "
        "('DIF'); END");
}

std::size_t loggedWrites(const std::string& kind) {
    return std::stoul(
        selectRows("SELECT COUNT(*) FROM WRITELOG WHERE T = '" + kind + "'").at(0).at(0));
}

}  // namespace

// Every case runs in both scan modes: plain, and batched with the reading done ahead.
class ScanTest : public EngineTest, public ::testing::WithParamInterface<ScanMode> {
protected:
    // Scans the tree's root with a fresh scanner; returns the folders reported.
    std::vector<std::string> scan(std::int64_t lastScanTime = 0) {
        return scanRoot(folder(), lastScanTime);
    }

    std::vector<std::string> scanRoot(const std::string& root, std::int64_t lastScanTime = 0) {
        FileInfoProc scanner(root.c_str(), GetParam());
        scanner.lastScanTime = lastScanTime;
        RecordingLog log;
        scanner.scanFolder(scanner.rootPath().c_str(), log);
        ticks_ = log.count;
        return log.folders;
    }

    std::string file(const std::string& relative) const { return tree_.drivePath(relative); }

    int ticks_ = 0;
};

TEST_P(ScanTest, FirstScanStoresEveryReadableFileWithItsMask) {
    tree_.writeFile("top.txt", "hello");
    tree_.writeFile("data/b.bin", std::string(1000, 'b'));
    tree_.writeFile("data/deep/c", "");
    scan();
    const auto files = storedFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files.at(file("top.txt")), "0500000068656C6C6F" + std::string(62, '0'));
    EXPECT_EQ(files.at(file("data\\b.bin")), fingerprintOf(file("data\\b.bin")));
    EXPECT_EQ(files.at(file("data\\deep\\c")), std::string(80, '0'));
}

TEST_P(ScanTest, FirstScanStoresEveryFolderWithItsLevel) {
    tree_.makeFolder("data/deep");
    scan();
    const auto folders = storedFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders.at(folder()), "2");  // C:\tree-N\ has two backslashes
    EXPECT_EQ(folders.at(folder("data")), "3");
    EXPECT_EQ(folders.at(folder("data\\deep")), "4");
}

TEST_P(ScanTest, FileNameKeepsItsCaseAndFolderIsUpperCasedOnlyWherePathsIgnoreCase) {
    tree_.writeFile("data/Old/Read Me.txt", "x");
    scan();
    std::string expectedFolder = folder("data\\Old");
    if (platform::pathsIgnoreCase()) StringUtility::toUpperAscii(expectedFolder);
    const auto rows = selectRows(
        "SELECT A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE B.FOLDERID = A.ID");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), expectedFolder);
    EXPECT_EQ(rows[0].at(1), "Read Me.txt");
}

TEST_P(ScanTest, EveryFileIsTickedOnTheFirstScanAndAgainOnAnUnchangedRescan) {
    tree_.writeFile("a", "1");
    tree_.writeFile("s/b", "2");
    tree_.writeFile("s/t/c", "3");
    scan();
    EXPECT_EQ(ticks_, 3);
    scan(std::time(nullptr));
    EXPECT_EQ(ticks_, 3);
}

TEST_P(ScanTest, UnchangedRescanWritesNoFileRowButRewritesEveryFolderTime) {
    tree_.writeFile("a.txt", "a");
    tree_.writeFile("s/b.txt", "b");
    tree_.makeFolder("s/empty");
    scan();
    installWriteLog();
    const auto before = selectRows("SELECT * FROM FILEINFO_DIF ORDER BY ID");
    scan(std::time(nullptr) + 1);
    EXPECT_EQ(loggedWrites("FIF"), 0u);
    EXPECT_EQ(loggedWrites("DIF"), 3u);
    EXPECT_EQ(selectRows("SELECT * FROM FILEINFO_DIF ORDER BY ID"), before);
}

TEST_P(ScanTest, FileRewrittenInPlaceIsFingerprintedAgainWhenModifiedAfterThePreviousScan) {
    tree_.writeFile("f.txt", "old content");
    tree_.setModificationTime("f.txt", 1000);
    scan();
    tree_.writeFile("f.txt", "new content");
    tree_.setModificationTime("f.txt", 2001);
    scan(2000);
    EXPECT_EQ(storedFiles().at(file("f.txt")), fingerprintOf(file("f.txt")));
    EXPECT_EQ(selectRows("SELECT FTIME FROM FILEINFO_FIF").at(0).at(0), "2001");
}

TEST_P(ScanTest, FileModifiedExactlyAtThePreviousScanStartKeepsItsRow) {
    tree_.writeFile("f.txt", "old content");
    tree_.setModificationTime("f.txt", 1000);
    scan();
    const std::string oldMask = storedFiles().at(file("f.txt"));
    tree_.writeFile("f.txt", "new content");
    tree_.setModificationTime("f.txt", 2000);
    scan(2000);
    EXPECT_EQ(storedFiles().at(file("f.txt")), oldMask);
    EXPECT_EQ(selectRows("SELECT FTIME FROM FILEINFO_FIF").at(0).at(0), "1000");
}

TEST_P(ScanTest, ChangedFolderGainsItsNewFilesAndLosesItsVanishedOnes) {
    tree_.writeFile("d/B.TXT", "b");
    tree_.writeFile("d/C.TXT", "c");
    scan();
    tree_.writeFile("d/A.TXT", "a");
    std::filesystem::remove(tree_.native("d/B.TXT"));
    tree_.setModificationTime("d", 5000);  // a time no scan has seen
    scan(std::time(nullptr) + 1);
    const auto files = storedFiles();
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files.count(file("d\\A.TXT")), 1u);
    EXPECT_EQ(files.count(file("d\\C.TXT")), 1u);
}

// A file made while its folder is being scanned, once the folder's time has
// been read: the time stored must not already include it, or the next scan
// takes the folder for unchanged and never lists the file into the database.
TEST_P(ScanTest, FileCreatedAsItsFolderIsListedIsStoredByTheNextScanAtLatest) {
    tree_.writeFile("d/old", "o");
    tree_.setModificationTime("d", 1000);
    const std::string target = folder("d");
    std::atomic<bool> created{false};
    const auto started = static_cast<std::int64_t>(std::time(nullptr));
    {
        FileInfoProc scanner(folder().c_str(), GetParam());
        scanner.afterFolderTime = [&](const std::string& listed) {
            if (listed == target && !created.exchange(true)) tree_.writeFile("d/new", "n");
        };
        RecordingLog log;
        scanner.scanFolder(scanner.rootPath().c_str(), log);
    }
    ASSERT_TRUE(created);
    scan(started);
    const auto files = storedFiles();
    EXPECT_EQ(files.count(file("d\\old")), 1u);
    EXPECT_EQ(files.count(file("d\\new")), 1u);
}

TEST_P(ScanTest, DeletedSubfolderLosesItsTreeWhileASiblingSharingItsNameBeginningStays) {
    tree_.writeFile("A/B/f1", "1");
    tree_.writeFile("A/B/C/f2", "2");
    tree_.writeFile("A/B/C/D/f3", "3");
    tree_.writeFile("A/BC/f4", "4");
    scan();
    std::filesystem::remove_all(tree_.native("A/B"));
    tree_.setModificationTime("A", 5000);
    scan(std::time(nullptr) + 1);
    const auto folders = storedFolders();
    EXPECT_EQ(folders.count(folder("A\\B")), 0u);
    EXPECT_EQ(folders.count(folder("A\\B\\C")), 0u);
    EXPECT_EQ(folders.count(folder("A\\B\\C\\D")), 0u);
    EXPECT_EQ(folders.count(folder("A\\BC")), 1u);
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 1u);
    EXPECT_EQ(storedFiles().count(file("A\\BC\\f4")), 1u);
}

TEST_P(ScanTest, IgnoredFolderIsReportedButNeitherEnteredNorStored) {
    tree_.writeFile("data/Temp/inner/x", "x");
    tree_.writeFile("data/Temporary/y", "y");
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(db.addIgnoredFolder(tree_.drivePath("data\\Temp"))) << db.errorText();
    }
    const auto entered = scan();
    const auto folders = storedFolders();
    EXPECT_EQ(folders.count(folder("data\\Temp")), 0u);
    EXPECT_EQ(folders.count(folder("data\\Temp\\inner")), 0u);
    EXPECT_EQ(folders.count(folder("data\\Temporary")), 1u);
    EXPECT_EQ(std::count(entered.begin(), entered.end(), folder("data\\Temp")), 1);
    EXPECT_EQ(std::count(entered.begin(), entered.end(), folder("data\\Temp\\inner")), 0);
}

TEST_P(ScanTest, DataDirectoryIsNotEntered) {
    tree_.writeFile("x", "x");
    scanRoot("C:\\");
    const std::string dataDirectory = ConfigInfo::global().getDataDirectory();
    for (const auto& [name, level] : storedFolders())
        EXPECT_NE(name.compare(0, dataDirectory.size(), dataDirectory), 0) << name;
    EXPECT_EQ(storedFiles().count(file("x")), 1u);
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 1u);  // not the database file itself
}

TEST_P(ScanTest, UnreadableFolderKeepsItsRowsAndItsSubfoldersAreNotVisited) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    tree_.writeFile("locked/f", "f");
    tree_.writeFile("locked/sub/g", "g");
    scan();
    ::chmod(tree_.native("locked").c_str(), 0);
    const auto entered = scan(std::time(nullptr) + 1);
    ::chmod(tree_.native("locked").c_str(), 0755);
    EXPECT_EQ(std::count(entered.begin(), entered.end(), folder("locked\\sub")), 0);
    EXPECT_EQ(storedFolders().count(folder("locked\\sub")), 1u);
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 2u);
}

TEST_P(ScanTest, FifoAndSymbolicLinkLoopNeitherBlockNorLoop) {
    tree_.writeFile("d/real", "r");
    ASSERT_EQ(::mkfifo(tree_.native("d/pipe").c_str(), 0600), 0);
    std::filesystem::create_directory_symlink("..", tree_.native("d/loop"));
    std::filesystem::create_symlink("real", tree_.native("d/link"));
    scan();
    EXPECT_EQ(storedFolders().size(), 2u);
    const auto files = storedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.count(file("d\\real")), 1u);
}

TEST_P(ScanTest, FoldersAreEnteredDepthFirstEachBeforeEverythingBelowIt) {
    for (const char* f : {"a/a1/x", "a/a2/x", "b/b1/b11/x", "b/b2/x", "c/x"})
        tree_.writeFile(f, "x");
    const auto entered = scan();
    ASSERT_EQ(entered.size(), 9u);
    EXPECT_EQ(entered.front(), folder());
    // Pre-order: every folder comes after its parent, and the folders below
    // one folder follow it without a gap.
    for (std::size_t i = 0; i < entered.size(); ++i) {
        std::size_t below = i + 1;
        while (below < entered.size() && entered[below].rfind(entered[i], 0) == 0) ++below;
        for (std::size_t j = below; j < entered.size(); ++j)
            EXPECT_NE(entered[j].rfind(entered[i], 0), 0u) << entered[j] << " after " << entered[i];
    }
}

namespace {
// Makes `depth` nested folders "d" below `root`, one level at a time through
// folder handles, since a single call cannot take so long a path.
void makeChain(const std::string& root, int depth) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << "level " << i;
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    ::close(fd);
}

struct DeepScan {
    const std::string* root;
    ScanMode mode;
};
}  // namespace

// The walk itself does not depend on how writes are grouped: one mode is enough.
class DeepTreeTest : public EngineTest {};

TEST_F(DeepTreeTest, TreeThousandsOfFoldersDeepIsScannedOnASmallStack) {
    constexpr int kDepth = 2000;  // "d/" per level: the native path stays under PATH_MAX
    std::string relative;
    for (int i = 0; i < kDepth; ++i) relative += i == 0 ? "d" : "/d";
    makeChain(tree_.native(""), kDepth);
    tree_.writeFile(relative + "/f", "deep");
    const std::string root = folder();
    DeepScan job{&root, ScanMode::Fast};
    // A recursive walk would need far more than this for the depth.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 512 * 1024);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        auto* scan = static_cast<DeepScan*>(arg);
        FileInfoProc scanner(scan->root->c_str(), scan->mode);
        struct Silent : IInfoLog {
            int print(const char*) override { return 0; }
        } log;
        scanner.scanFolder(scanner.rootPath().c_str(), log);
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(rowCount("FILEINFO_DIF"), static_cast<std::size_t>(kDepth + 1));
    std::string deepest = relative + "/f";
    std::replace(deepest.begin(), deepest.end(), '/', '\\');
    EXPECT_EQ(storedFiles().count(tree_.drivePath(deepest)), 1u);
}

TEST_P(ScanTest, FolderWhoseRowCannotBeInsertedStoresNoFilesButItsSubfoldersDo) {
    tree_.writeFile("data/lost", "l");
    tree_.writeFile("data/sub/kept", "k");
    FileInfoProc scanner(folder().c_str(), GetParam());
    // A row the scanner's folder table does not know makes its insertion fail.
    executeSql("INSERT INTO FILEINFO_DIF (FNAME, FTIME, FLEVEL) VALUES ('" + folder("data") +
               "', ' ', 3)");
    RecordingLog log;
    scanner.scanFolder(scanner.rootPath().c_str(), log);
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 1u);
    EXPECT_EQ(storedFiles().count(file("data\\sub\\kept")), 1u);
    EXPECT_TRUE(selectRows("SELECT ID FROM FILEINFO_FIF WHERE FOLDERID NOT IN (SELECT ID FROM "
                           "FILEINFO_DIF)")
                    .empty());
}

INSTANTIATE_TEST_SUITE_P(ScanModes, ScanTest, ::testing::Values(ScanMode::Plain, ScanMode::Fast),
                         [](const ::testing::TestParamInfo<ScanMode>& param) {
                             return param.param == ScanMode::Fast ? "Fast" : "Plain";
                         });
