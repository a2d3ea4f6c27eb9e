// SPDX-License-Identifier: MIT
// Names with quotes, wildcards of SQL's LIKE, separators of the program's own
// texts, line breaks, bytes that are not UTF-8 and the longest names the
// file system takes: each is stored byte for byte and found again by the
// group's file list, the path tree and the ignore action.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "InProcessScan.h"
#include "RobustnessSupport.h"
#include "TempTree.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "results/FileInfoLoader.h"

namespace {

// Every odd name, used for a file and for a folder holding one file.
const std::vector<std::string> kOddNames = {
    "it's",
    "say \"hi\"",
    "100%",
    "under_score",
    "semi;colon",
    "pipe|bar",
    "line\nbreak",
    "-leading-dash",
    " blanks around ",
    std::string("bytes \xff\xfe\x80 not utf-8"),
    std::string("gbk \xb5\xe7\xc4\xd4"),
    std::string(255, 'n'),
};

// Names the LIKE patterns of the odd names would also match, were '_' and '%'
// wildcards there: the ignore action must leave them alone.
const std::vector<std::string> kLookAlikes = {"underXscore", "100abc"};

const std::string kBackslashName = "back\\slash";

}  // namespace

class OddNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::removeDatabase();
        for (const std::string& name : kOddNames) {
            tree_.writeFile("files/" + name, "file " + name);
            tree_.writeFile("folders/" + name + "/inside.txt", "inside " + name);
            tree_.writeFile("folders/" + name + "/deeper/below.txt", "below " + name);
        }
        for (const std::string& name : kLookAlikes)
            tree_.writeFile("folders/" + name + "/kept.txt", name);
        tree_.writeFile("files/" + kBackslashName, "a name a program path cannot hold");
        tree_.writeFile("folders/" + kBackslashName + "/hidden.txt", "behind a backslash");
        scan();
    }
    void TearDown() override { testsupport::removeDatabase(); }

    void scan() { scanAndIndex(tree_.drivePath("")); }

    // The stored path of `relative` ('/' separated, names taken as they are).
    std::string stored(const std::string& relative) const {
        std::string path = tree_.drivePath("");
        std::size_t from = 0;
        for (std::size_t slash; (slash = relative.find('/', from)) != std::string::npos;
             from = slash + 1)
            path += "\\" + relative.substr(from, slash - from);
        return path + "\\" + relative.substr(from);
    }

    // Every file path the tree should give, in stored form.
    std::set<std::string> expectedFiles(const std::set<std::string>& ignored = {}) const {
        std::set<std::string> files;
        for (const std::string& name : kOddNames) {
            files.insert(stored("files/" + name));
            if (ignored.count(name)) continue;
            files.insert(stored("folders/" + name + "/inside.txt"));
            files.insert(stored("folders/" + name + "/deeper/below.txt"));
        }
        for (const std::string& name : kLookAlikes)
            files.insert(stored("folders/" + name + "/kept.txt"));
        return files;
    }

    static std::map<std::string, std::string> storedFiles() {
        return storedFileMasks(testsupport::databaseNativePath());
    }
    static std::set<std::string> storedPaths() {
        std::set<std::string> paths;
        for (const auto& [path, mask] : storedFiles()) paths.insert(path);
        return paths;
    }

    TempTree tree_;
};

TEST_F(OddNamesTest, EveryNameIsStoredByteForByte) {
    EXPECT_EQ(storedPaths(), expectedFiles());
}

TEST_F(OddNamesTest, NamesHoldingABackslashAreLeftOutWithWhatLiesBelow) {
    for (const std::string& path : storedPaths())
        EXPECT_EQ(path.find("back\\slash"), std::string::npos) << path;
    const std::vector<std::string> folders = storedFolderNames(testsupport::databaseNativePath());
    EXPECT_NE(std::find(folders.begin(), folders.end(), stored("folders") + "\\"), folders.end());
    EXPECT_EQ(
        std::count_if(folders.begin(), folders.end(),
                      [](const std::string& f) { return f.find("slash") != std::string::npos; }),
        0);
}

TEST_F(OddNamesTest, EveryStoredFileIsAmongTheFilesOfItsGroup) {
    FileInfoLoader loader;
    for (const auto& [path, mask] : storedFiles()) {
        const std::vector<std::string> group = loader.getGroupFiles(mask);
        EXPECT_NE(std::find(group.begin(), group.end(), path), group.end()) << path;
    }
}

TEST_F(OddNamesTest, EveryStoredFileIsALeafOfThePathTreeWithItsGroup) {
    FileInfoLoader loader;
    loader.loadCategoryTable();
    ASSERT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
    ASSERT_TRUE(loader.buildPathTree(FileInfoLoader::kAll));
    for (const auto& [path, mask] : storedFiles()) {
        const CPathTreeNode* leaf = loader.pathTree().findNode(path);
        ASSERT_NE(leaf, nullptr) << path;
        EXPECT_TRUE(leaf->children().empty()) << path;
        ASSERT_GE(leaf->groupIndex(), 0) << path;
        ASSERT_LT(leaf->groupIndex(), loader.groupCount()) << path;
        EXPECT_EQ(loader.GetFileInfo(leaf->groupIndex())[1], mask) << path;
        EXPECT_EQ(leaf->name(), path.substr(path.rfind('\\') + 1));
    }
}

// What the folder tree's ignore action does with the path of a folder node:
// record it, delete its rows and everything below, rebuild the index.
TEST_F(OddNamesTest, IgnoringAnOddFolderRemovesExactlyItsTreeAndKeepsItOut) {
    const std::set<std::string> ignored = {
        "under_score", "100%",     "it's",
        "line\nbreak", "pipe|bar", std::string("bytes \xff\xfe\x80 not utf-8")};
    {
        FileInfoLoader loader;
        ASSERT_TRUE(loader.isDatabaseReady());  // opens the connection the action writes through
        for (const std::string& name : ignored) {
            // A tree item's path: no trailing backslash.
            const std::string path = stored("folders/" + name);
            EXPECT_TRUE(loader.database().addIgnoredFolder(path)) << path;
            EXPECT_TRUE(loader.database().deleteFolderTree(path));
        }
        FileInfoAnalyse analyse;
        ASSERT_TRUE(analyse.buildIndex());
    }
    EXPECT_EQ(storedPaths(), expectedFiles(ignored));
    scan();  // a later scan does not enter them
    EXPECT_EQ(storedPaths(), expectedFiles(ignored));
}

TEST_F(OddNamesTest, IndexNamesTheStoredFileOfEachGroupWholly) {
    FileInfoLoader loader;
    loader.loadCategoryTable();
    ASSERT_TRUE(loader.loadGroups(FileInfoLoader::kAll));
    std::set<std::string> indexNames;
    for (int i = 0; i < loader.groupCount(); ++i) indexNames.insert(loader.GetFileInfo(i)[2]);
    for (const std::string& name : kOddNames) EXPECT_EQ(indexNames.count(name), 1u) << name;
}
