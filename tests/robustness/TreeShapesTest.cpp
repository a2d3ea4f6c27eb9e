// SPDX-License-Identifier: MIT
// Shapes of trees that real disks hold: deeper than any path the system
// accepts, 100k entries in one folder, link loops, hard links, and files that
// change between the listing and the fingerprint.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "InProcessScan.h"
#include "RobustnessSupport.h"
#include "TempTree.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "results/FileInfoLoader.h"

class TreeShapesTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::removeDatabase(); }
    void TearDown() override {
        // Deeper than the paths TempTree's own removal can name.
        removeTree(tree_.native("chain"));
        testsupport::removeDatabase();
    }

    void scan() { scanAndIndex(tree_.drivePath("")); }

    // The files the scanner's own listing finds in `relative`.
    std::vector<std::string> listedFiles(const std::string& relative) {
        FileInfoProc scanner("C:\\");
        std::string timeText;
        std::vector<std::string> subfolders;
        std::vector<std::string> files;
        EXPECT_TRUE(
            scanner.listFolder(tree_.drivePath(relative) + "\\", timeText, subfolders, files));
        return files;
    }

    static std::map<std::string, std::string> storedFiles() {
        return storedFileMasks(testsupport::databaseNativePath());
    }

    // The stored path of folder `depth` of a chain of `name` below "chain".
    std::string chainFolder(const std::string& name, int depth) const {
        std::string path = tree_.drivePath("chain");
        for (int level = 0; level < depth; ++level) path += "\\" + name;
        return path + "\\";
    }
    // Its native length: the drive's folder, then "/chain" and "/name" per level.
    std::size_t nativeLength(const std::string& name, int depth) const {
        return tree_.native("chain").size() + static_cast<std::size_t>(depth) * (name.size() + 1);
    }

    TempTree tree_;
};

// Folders the system can still name are scanned with their files; below
// them the scan reports folders it cannot list and goes on.
TEST_F(TreeShapesTest, PathsLongerThanTheSystemTakesAreSkippedAndTheRestStored) {
    const std::string name(250, 'L');
    tree_.makeFolder("chain");
    makeFolderChain(tree_.native("chain"), name, 24, "f.txt");
    ASSERT_GT(nativeLength(name, 24), static_cast<std::size_t>(PATH_MAX));
    scan();
    const std::map<std::string, std::string> files = storedFiles();
    const std::vector<std::string> folders = storedFolderNames(testsupport::databaseNativePath());
    int storedDepth = 0;
    for (int depth = 1; depth <= 24; ++depth) {
        const bool listable = nativeLength(name, depth) < PATH_MAX;
        const bool folderStored =
            std::find(folders.begin(), folders.end(), chainFolder(name, depth)) != folders.end();
        EXPECT_EQ(folderStored, listable) << "depth " << depth;
        const bool fileReachable = nativeLength(name, depth) + 6 < PATH_MAX;
        EXPECT_EQ(files.count(chainFolder(name, depth) + "f.txt"), fileReachable ? 1u : 0u)
            << "depth " << depth;
        if (folderStored) storedDepth = depth;
    }
    EXPECT_GE(storedDepth, 10);
}

TEST_F(TreeShapesTest, TreeThreeThousandFoldersDeepIsScannedAsFarAsPathsReach) {
    tree_.makeFolder("chain");
    makeFolderChain(tree_.native("chain"), "d", 3000, "f");
    scan();
    const std::map<std::string, std::string> files = storedFiles();
    int deepest = 0;
    for (int depth = 1; depth <= 3000; ++depth) {
        if (files.count(chainFolder("d", depth) + "f") == 0) break;
        deepest = depth;
    }
    // Every folder whose file the system can name is there, none missing on the way.
    const auto reachable = static_cast<int>((PATH_MAX - 1 - 2 - tree_.native("chain").size()) / 2);
    EXPECT_EQ(deepest, reachable);
    EXPECT_EQ(files.size(), static_cast<std::size_t>(reachable));

    FileInfoLoader loader;
    loader.loadCategoryTable();
    ASSERT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
    ASSERT_TRUE(loader.buildPathTree(FileInfoLoader::kAll));
    EXPECT_NE(loader.pathTree().findNode(chainFolder("d", deepest) + "f"), nullptr);
}

TEST_F(TreeShapesTest, FolderOfAHundredThousandEntriesIsOneGroupInTheTreeAndTheIndex) {
    constexpr int kEntries = 100000;
    tree_.makeFolder("wide");
    for (int i = 0; i < kEntries; ++i) {
        const std::string path = tree_.native("wide/e" + std::to_string(i));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << path;
        ::close(fd);
    }
    scan();
    FileInfoLoader loader;
    loader.loadCategoryTable();
    ASSERT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
    ASSERT_EQ(loader.groupCount(), 1);
    EXPECT_EQ(loader.GetFileInfo(0)[0], std::to_string(kEntries));
    EXPECT_EQ(loader.getGroupFiles(loader.GetFileInfo(0)[1]).size(),
              static_cast<std::size_t>(kEntries));
    ASSERT_TRUE(loader.buildPathTree(FileInfoLoader::kAll));
    const CPathTreeNode* wide = loader.pathTree().findNode(tree_.drivePath("wide"));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->children().size(), static_cast<std::size_t>(kEntries));
    EXPECT_NE(loader.pathTree().findNode(tree_.drivePath("wide\\e99999")), nullptr);
}

TEST_F(TreeShapesTest, LinkLoopsEndTheScanAndOnlyRealEntriesAreStored) {
    tree_.writeFile("links/real.txt", "real");
    ASSERT_EQ(::symlink(".", tree_.native("links/self").c_str()), 0);
    ASSERT_EQ(::symlink("..", tree_.native("links/up").c_str()), 0);
    ASSERT_EQ(::symlink("b", tree_.native("links/a").c_str()), 0);
    ASSERT_EQ(::symlink("a", tree_.native("links/b").c_str()), 0);
    ASSERT_EQ(::symlink("real.txt", tree_.native("links/alias.txt").c_str()), 0);
    scan();
    std::vector<std::string> paths;
    for (const auto& [path, mask] : storedFiles()) paths.push_back(path);
    EXPECT_EQ(paths, std::vector<std::string>{tree_.drivePath("links\\real.txt")});
    const std::vector<std::string> folders = storedFolderNames(testsupport::databaseNativePath());
    EXPECT_EQ(folders.size(), 2u);  // the tree's folder and links\, nothing through a link
}

// Two names of one content are two files to the scan: hard links count as copies.
TEST_F(TreeShapesTest, HardLinkedPairIsAGroupOfTwo) {
    tree_.writeFile("one/first.bin", std::string(5000, 'h'));
    tree_.makeFolder("two");
    ASSERT_EQ(::link(tree_.native("one/first.bin").c_str(), tree_.native("two/second.bin").c_str()),
              0);
    scan();
    FileInfoLoader loader;
    loader.loadCategoryTable();
    ASSERT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
    ASSERT_EQ(loader.groupCount(), 1);
    EXPECT_EQ(loader.GetFileInfo(0)[0], "2");
    EXPECT_EQ(loader.duplicateBytes(), 5000);
    std::vector<std::string> group = loader.getGroupFiles(loader.GetFileInfo(0)[1]);
    std::sort(group.begin(), group.end());
    EXPECT_EQ(group, (std::vector<std::string>{tree_.drivePath("one\\first.bin"),
                                               tree_.drivePath("two\\second.bin")}));
}

// The scanner lists a folder, then fingerprints what it listed; in between
// the disk may change. These cases take the two steps the scanner takes.
TEST_F(TreeShapesTest, FileRemovedAfterTheListingIsRefusedAndLeftOut) {
    tree_.writeFile("race/gone.txt", "about to go");
    const std::vector<std::string> files = listedFiles("race");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(::unlink(tree_.native("race/gone.txt").c_str()), 0);
    char mask[256] = "untouched";
    std::int64_t mtime = 42;
    EXPECT_FALSE(FileInfoProc::computeFingerprint(files[0].c_str(), mtime, mask));
    EXPECT_STREQ(mask, "untouched");
    EXPECT_EQ(mtime, 42);
}

TEST_F(TreeShapesTest, FileReplacedByAFifoAfterTheListingIsRefusedWithoutBlocking) {
    tree_.writeFile("race/pipe", "a file for now");
    const std::vector<std::string> files = listedFiles("race");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(::mkfifo(tree_.native("race/fifo").c_str(), 0644), 0);
    ASSERT_EQ(::rename(tree_.native("race/fifo").c_str(), tree_.native("race/pipe").c_str()), 0);
    char mask[256] = {};
    std::int64_t mtime = 0;
    // No writer ever opens the FIFO: a blocking open would never return.
    EXPECT_FALSE(FileInfoProc::computeFingerprint(files[0].c_str(), mtime, mask));
}

// In a plain scan each file is counted just before it is fingerprinted; the
// first count here (the folder is listed by then, it is the only one with
// files) takes one listed file away and puts a FIFO in another's place.
TEST_F(TreeShapesTest, FilesChangedDuringAScanAreLeftOutAndTheScanGoesOn) {
    tree_.writeFile("race/kept.txt", "kept");
    tree_.writeFile("race/removed.txt", "removed");
    tree_.writeFile("race/fifo.txt", "a FIFO soon");
    class ChangingLog : public QuietLog {
    public:
        explicit ChangingLog(const TempTree& tree) : tree_(tree) {}
        void tick() override {
            QuietLog::tick();
            if (count != 1) return;
            ::unlink(tree_.native("race/removed.txt").c_str());
            ::unlink(tree_.native("race/fifo.txt").c_str());
            ::mkfifo(tree_.native("race/fifo.txt").c_str(), 0644);
        }

    private:
        const TempTree& tree_;
    } log(tree_);
    FileInfoProc scanner("C:\\", FileInfoProc::ScanMode::Plain);
    scanner.scanFolder(tree_.drivePath("").c_str(), log);
    std::vector<std::string> paths;
    for (const auto& [path, mask] : storedFiles()) paths.push_back(path);
    EXPECT_EQ(paths, std::vector<std::string>{tree_.drivePath("race\\kept.txt")});
    EXPECT_EQ(log.count, 3);  // every listed file was handled
}

TEST_F(TreeShapesTest, FifoInTheTreeIsLeftOutOfTheScan) {
    tree_.writeFile("special/plain.txt", "plain");
    ASSERT_EQ(::mkfifo(tree_.native("special/fifo").c_str(), 0644), 0);
    scan();
    std::vector<std::string> paths;
    for (const auto& [path, mask] : storedFiles()) paths.push_back(path);
    EXPECT_EQ(paths, std::vector<std::string>{tree_.drivePath("special\\plain.txt")});
}
