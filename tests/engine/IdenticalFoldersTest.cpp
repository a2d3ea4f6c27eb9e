// SPDX-License-Identifier: MIT
// Identical and redundant folders of real trees, analysed and checked as the
// program does it, and the bytes of each folder with a copy elsewhere.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "FolderSupport.h"
#include "storage/CSqliteDB.h"
#include "util/platform/FileSystem.h"

namespace fs = std::filesystem;

using Sets = std::vector<std::vector<std::string>>;

class IdenticalFoldersTest : public FolderTest {
protected:
    // A small project: files at two depths, an empty file.
    void writeProject(const std::string& at, const std::string& salt = "") {
        tree_.writeFile(at + "/readme.txt", "read me" + salt);
        tree_.writeFile(at + "/src/main.cpp", std::string(3000, 'm'));
        tree_.writeFile(at + "/src/util.cpp", std::string(2000, 'u'));
        tree_.writeFile(at + "/src/deep/data.bin", std::string(5000, 'd'));
        tree_.writeFile(at + "/empty.log", "");
    }
    static constexpr std::uint64_t kProjectBytes = 7 + 3000 + 2000 + 5000;
};

TEST_F(IdenticalFoldersTest, TreeCopiedTwiceOneCopyNestedInABackupIsOneOutermostSet) {
    writeProject("work");
    writeProject("backup/work");
    writeProject("backup/old/work");
    tree_.writeFile("backup/notes.txt", "notes that exist once");
    const FolderFindings found = analyseAndFind();

    EXPECT_EQ(setPaths(found), (Sets{{"backup/old/work", "backup/work", "work"}}));
    const IdenticalFolders::Set& set = found.identical->sets().at(0);
    EXPECT_EQ(set.files, 5u);
    EXPECT_EQ(set.bytes, kProjectBytes);
    EXPECT_EQ(set.freed, 2 * kProjectBytes);
    // backup holds a file of its own; backup/old holds nothing but a copy.
    EXPECT_EQ(redundantPaths(found), (std::vector<std::string>{"backup/old"}));
    // Its copies lie in two folders, each named by its own top (not by its
    // subfolders, nor by the tree that holds everything).
    const auto& holders = found.identical->redundant().at(0).holders;
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(relative(found.inventory.folders()[holders[0].folder].path), "backup/work");
    EXPECT_EQ(relative(found.inventory.folders()[holders[1].folder].path), "work");
    EXPECT_EQ(holders[0].bytes, kProjectBytes);
    EXPECT_EQ(holders[1].bytes, kProjectBytes);
}

TEST_F(IdenticalFoldersTest, OneChangedFileBreaksTheMatchButLeavesTheRestCopied) {
    writeProject("a");
    writeProject("b", " (edited)");
    const FolderFindings found = analyseAndFind();

    // Only the unchanged subfolder matches; a and b are no set.
    EXPECT_EQ(setPaths(found), (Sets{{"a/src", "b/src"}}));
    const FolderCopies::Totals& b = found.copies->totals(folderAt(found, "b"));
    EXPECT_EQ(b.files, 5u);
    EXPECT_EQ(b.copiedFiles, 4u);  // all but the edited readme (the empty file has copies too)
    EXPECT_EQ(b.copiedBytes, 3000u + 2000u + 5000u);
    EXPECT_FALSE(found.copies->allCopied(folderAt(found, "b")));
    EXPECT_TRUE(found.copies->allCopied(folderAt(found, "b/src")));
    // Inside the tree every copy lies within it.
    EXPECT_EQ(found.copies->totals(folderAt(found, "")).copiedFiles, 0u);
}

TEST_F(IdenticalFoldersTest, EmptyFilesAndEmptySubfoldersCountByName) {
    for (const char* copy : {"same1", "same2", "noFolder", "noFile", "otherName"}) {
        tree_.writeFile(std::string(copy) + "/data.txt", "content of the folder");
        tree_.makeFolder(std::string(copy) + "/cache");
        tree_.writeFile(std::string(copy) + "/.keep", "");
    }
    fs::remove(tree_.native("noFolder/cache"));
    fs::remove(tree_.native("noFile/.keep"));
    fs::rename(tree_.native("otherName/cache"), tree_.native("otherName/cache2"));
    const FolderFindings found = analyseAndFind();

    EXPECT_EQ(setPaths(found), (Sets{{"same1", "same2"}}));
}

TEST_F(IdenticalFoldersTest, AnEmptyFolderIsIdenticalToNothing) {
    tree_.makeFolder("a/nothing/deeper");
    tree_.makeFolder("b/nothing/deeper");
    tree_.writeFile("c/x.txt", "x");
    const FolderFindings found = analyseAndFind();

    EXPECT_TRUE(found.identical->sets().empty()) << setPaths(found).size();
}

TEST_F(IdenticalFoldersTest, FilesNotConfirmedMakeNoSetUntilChecked) {
    writeProject("a");
    writeProject("b");
    analyse();
    // Nothing checked and nothing cached: the groups' files are unconfirmed.
    EXPECT_TRUE(find(nullptr).identical->sets().empty());

    const CheckedContent checked = checkAll();
    EXPECT_EQ(setPaths(find(&checked)), (Sets{{"a", "b"}}));
    // The check's cache alone answers as well, without the results in memory.
    EXPECT_EQ(setPaths(find(nullptr)), (Sets{{"a", "b"}}));
    // Not rows of the cache's earlier layout, which the check no longer trusts.
    {
        CSqliteDB database(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(database.open());
        ASSERT_TRUE(database.execute("UPDATE CONTENT_HASH SET CTIME_NS = NULL"));
    }
    EXPECT_TRUE(find(nullptr).identical->sets().empty());
    EXPECT_EQ(setPaths(find(&checked)), (Sets{{"a", "b"}}));

    // A file changed since the check is a copy of nothing, whatever the cache says.
    std::int64_t time = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("b/src/util.cpp"), time));
    tree_.writeFile("b/src/util.cpp", std::string(2000, 'U'));
    tree_.setModificationTime("b/src/util.cpp", time + 10);
    const CheckedContent again = checkAll();
    EXPECT_EQ(setPaths(find(&again)), (Sets{{"a/src/deep", "b/src/deep"}}));
}

// The sets of a tree found by a walk and a comparison of whole contents
// written here, independent of the program's signatures.
class IndependentSets {
public:
    explicit IndependentSets(const std::string& root) {
        for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it)
            if (it->is_directory()) describe(root, it->path().string());
        describe(root, root);
    }

    // Outermost sets of two folders or more, each sorted, in sorted order.
    Sets outermost() const {
        std::map<std::string, std::vector<std::string>> byContent;
        for (const auto& [folder, text] : description_)
            if (holdsFiles_.at(folder)) byContent[text].push_back(folder);
        std::set<std::string> inSet;
        for (const auto& [text, folders] : byContent)
            if (folders.size() > 1) inSet.insert(folders.begin(), folders.end());
        Sets sets;
        for (auto& [text, folders] : byContent) {
            if (folders.size() < 2) continue;
            const bool outer = std::any_of(
                folders.begin(), folders.end(),
                [&](const std::string& f) { return f.empty() || inSet.count(parentOf(f)) == 0; });
            if (!outer) continue;
            std::sort(folders.begin(), folders.end());
            sets.push_back(folders);
        }
        std::sort(sets.begin(), sets.end());
        return sets;
    }

private:
    static std::string parentOf(const std::string& folder) {
        const auto cut = folder.rfind('/');
        return cut == std::string::npos ? std::string() : folder.substr(0, cut);
    }

    // Every entry below `folder` with its relative path and, for a file, its
    // whole content.
    void describe(const std::string& root, const std::string& folder) {
        std::vector<std::string> lines;
        bool files = false;
        for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
            const std::string inside = it->path().string().substr(folder.size() + 1);
            if (it->is_directory()) {
                lines.push_back("D " + inside);
                continue;
            }
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            lines.push_back("F " + inside + "\n" + content.str());
            files = true;
        }
        std::sort(lines.begin(), lines.end());
        std::string text;
        for (const std::string& line : lines) text += line + '\0';
        const std::string name = folder == root ? std::string() : folder.substr(root.size() + 1);
        description_[name] = text;
        holdsFiles_[name] = files;
    }

    std::map<std::string, std::string> description_;
    std::map<std::string, bool> holdsFiles_;
};

TEST_F(IdenticalFoldersTest, SetsAreThoseOfAnIndependentWalkAndComparison) {
    // Copies, near-copies and copies with odd names, at several depths.
    writeProject("p1");
    writeProject("x/p2");
    writeProject("x/y/p3", "!");
    writeProject("z/it's \"odd\"");
    tree_.writeFile("x/y/p3/src/extra.txt", "extra");
    tree_.writeFile("m/one/a.txt", "alpha");
    tree_.writeFile("m/one/b.txt", "beta");
    tree_.writeFile("m/two/a.txt", "alpha");
    tree_.writeFile("m/two/b.txt", "beta");
    tree_.writeFile("n/a.txt", "alpha");
    tree_.writeFile("n/b.txt", "beta");
    tree_.writeFile("q/one/a.txt", "alpha");
    tree_.writeFile("q/one/b.txt", "beta");
    tree_.writeFile("q/two/a.txt", "alpha");
    tree_.writeFile("q/two/b.txt", "beta");
    const FolderFindings found = analyseAndFind();

    Sets sets = setPaths(found);
    for (auto& set : sets) std::sort(set.begin(), set.end());
    std::sort(sets.begin(), sets.end());
    EXPECT_EQ(sets, IndependentSets(tree_.root()).outermost());
    EXPECT_GE(sets.size(), 3u);
}
