// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "results/CPathTree.h"
#include "util/platform/FileSystem.h"

namespace {

using Names = std::vector<std::string>;

std::string folded(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// Adds `count` files before the case under test, so the same case runs once
// on a short folder (searched linearly) and once on a long one (hash index).
void addFiller(CPathTree& tree, const std::string& folder, int count) {
    for (int i = 0; i < count; ++i) tree.addPath(folder + "\\filler" + std::to_string(i), 100 + i);
}

class PathTreeTest : public ::testing::TestWithParam<int> {
protected:
    int filler() const { return GetParam(); }
};

TEST_P(PathTreeTest, FilesOfOneFolderKeepTheirOrderAndGroups) {
    CPathTree tree(false);
    addFiller(tree, "C:\\A", filler());
    tree.addPath("C:\\A\\x.txt", 3);
    tree.addPath("C:\\A\\y.txt", 4);

    ASSERT_EQ(tree.root().getChildNames(), Names{"C:"});
    const CPathTreeNode* folder = tree.findNode("C:\\A");
    ASSERT_NE(folder, nullptr);
    const Names names = folder->getChildNames();
    ASSERT_EQ(names.size(), static_cast<std::size_t>(filler()) + 2);
    EXPECT_EQ(names[names.size() - 2], "x.txt");
    EXPECT_EQ(names.back(), "y.txt");
    EXPECT_EQ(folder->children()[names.size() - 2]->groupIndex(), 3);
    EXPECT_EQ(folder->children().back()->groupIndex(), 4);
}

TEST_P(PathTreeTest, IgnoringCaseTheFirstInsertionKeepsNameAndGroup) {
    CPathTree tree(true);
    addFiller(tree, "C:\\A", filler());
    tree.addPath("C:\\A\\x.txt", 3);
    tree.addPath("c:\\a\\X.TXT", 9);

    EXPECT_EQ(tree.root().getChildNames(), Names{"C:"});
    const CPathTreeNode* leaf = tree.findNode("C:\\A\\X.txt");
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->name(), "x.txt");
    EXPECT_EQ(leaf->groupIndex(), 3);
    EXPECT_EQ(tree.findNode("C:\\A")->children().size(), static_cast<std::size_t>(filler()) + 1);
}

TEST_P(PathTreeTest, ComparingExactlyNamesDifferingInCaseAreTwoChildren) {
    CPathTree tree(false);
    addFiller(tree, "C:\\A", filler());
    tree.addPath("C:\\A\\x.txt", 3);
    tree.addPath("C:\\A\\X.TXT", 9);

    ASSERT_NE(tree.findNode("C:\\A\\X.TXT"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\X.TXT")->groupIndex(), 9);
    EXPECT_EQ(tree.findNode("C:\\A\\x.txt")->groupIndex(), 3);
    EXPECT_EQ(tree.findNode("c:\\a\\x.txt"), nullptr);
}

TEST_P(PathTreeTest, OnlyAsciiLettersFoldWhenIgnoringCase) {
    CPathTree tree(true);
    addFiller(tree, "C:", filler());
    tree.addPath("C:\\\xC4", 1);  // two different non-ASCII bytes, upper and lower in Latin-1
    tree.addPath("C:\\\xE4", 2);
    tree.addPath("C:\\[", 3);  // '[' and '{' sit 32 apart like 'A' and 'a'
    tree.addPath("C:\\{", 4);

    EXPECT_EQ(tree.findNode("C:\\\xC4")->groupIndex(), 1);
    EXPECT_EQ(tree.findNode("C:\\\xE4")->groupIndex(), 2);
    EXPECT_EQ(tree.findNode("C:\\[")->groupIndex(), 3);
    EXPECT_EQ(tree.findNode("C:\\{")->groupIndex(), 4);
}

INSTANTIATE_TEST_SUITE_P(ShortAndLongFolders, PathTreeTest, ::testing::Values(0, 40));

TEST(PathTree, DrivesAreListedInTheOrderOfTheirFirstFile) {
    CPathTree tree(false);
    tree.addPath("D:\\b.txt", 0);
    tree.addPath("C:\\a.txt", 1);
    tree.addPath("D:\\c.txt", 2);
    EXPECT_EQ(tree.root().getChildNames(), (Names{"D:", "C:"}));
}

TEST(PathTree, FindNodeOfTheEmptyPathIsTheRoot) {
    CPathTree tree(false);
    tree.addPath("C:\\A\\x.txt", 3);
    const CPathTreeNode* root = tree.findNode("");
    ASSERT_EQ(root, &tree.root());
    EXPECT_EQ(root->name(), "");
    EXPECT_EQ(root->groupIndex(), 0);
}

TEST(PathTree, FoldersAndDrivesCarryMinusOneAndLeavesTheirGroup) {
    CPathTree tree(false);
    tree.addPath("C:\\A\\x.txt", 5);
    ASSERT_NE(tree.findNode("C:"), nullptr);
    EXPECT_EQ(tree.findNode("C:")->groupIndex(), -1);
    EXPECT_EQ(tree.findNode("C:\\A")->groupIndex(), -1);
    ASSERT_NE(tree.findNode("C:\\A\\x.txt"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\x.txt")->groupIndex(), 5);
    EXPECT_TRUE(tree.findNode("C:\\A\\x.txt")->children().empty());
}

TEST(PathTree, FindNodeOfAMissingComponentIsNull) {
    CPathTree tree(false);
    tree.addPath("C:\\A\\x.txt", 3);
    EXPECT_EQ(tree.findNode("C:\\B"), nullptr);
    EXPECT_EQ(tree.findNode("D:"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\x.txt\\deeper"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\"), nullptr);  // the trailing piece is an empty name
}

TEST(PathTree, DoubledBackslashMakesAComponentWithAnEmptyName) {
    CPathTree tree(false);
    tree.addPath("C:\\A\\\\b.txt", 2);
    EXPECT_EQ(tree.findNode("C:\\A")->getChildNames(), Names{""});
    EXPECT_EQ(tree.findNode("C:\\A\\")->groupIndex(), -1);
    EXPECT_EQ(tree.findNode("C:\\A\\\\b.txt")->groupIndex(), 2);
}

TEST(PathTree, AnEmptyPathAddsNothing) {
    CPathTree tree(false);
    tree.addPath("", 4);
    EXPECT_TRUE(tree.root().children().empty());
}

TEST(PathTree, ClearLeavesAnEmptyTreeThatCanBeRefilled) {
    CPathTree tree(false);
    addFiller(tree, "C:\\A", 40);
    tree.addPath("C:\\A\\x.txt", 3);
    tree.clear();
    EXPECT_TRUE(tree.root().children().empty());
    EXPECT_EQ(tree.findNode("C:"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\x.txt"), nullptr);

    tree.addPath("C:\\A\\x.txt", 7);
    ASSERT_NE(tree.findNode("C:\\A\\x.txt"), nullptr);
    EXPECT_EQ(tree.findNode("C:\\A\\x.txt")->groupIndex(), 7);
}

TEST(PathTree, DefaultComparisonFollowsThePlatform) {
    CPathTree tree;
    tree.addPath("C:\\Data\\a.txt", 1);
    EXPECT_EQ(tree.findNode("C:\\DATA\\A.TXT") != nullptr, platform::pathsIgnoreCase());
}

// A folder of 100k entries, some repeated in another letter case, must give
// what first-insertion-wins over the whole list gives, child by child.
TEST(PathTree, HundredThousandEntriesMatchAFirstInsertionReference) {
    for (const bool ignoreCase : {false, true}) {
        CPathTree tree(ignoreCase);
        std::vector<std::pair<std::string, int>> expected;
        std::map<std::string, std::size_t> seen;
        const int count = 100000;
        for (int i = 0; i < count; ++i) {
            // Every seventh name repeats an earlier one, every other of those upper-cased.
            std::string name = "file" + std::to_string(i % 7 == 6 ? i / 2 : i) + ".dat";
            if (i % 14 == 6)
                for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            tree.addPath("C:\\big\\" + name, i);
            const std::string key = ignoreCase ? folded(name) : name;
            if (seen.emplace(key, expected.size()).second) expected.emplace_back(name, i);
        }

        const CPathTreeNode* folder = tree.findNode("C:\\big");
        ASSERT_NE(folder, nullptr);
        ASSERT_EQ(folder->children().size(), expected.size()) << "ignoreCase " << ignoreCase;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            ASSERT_EQ(folder->children()[k]->name(), expected[k].first) << k;
            ASSERT_EQ(folder->children()[k]->groupIndex(), expected[k].second) << k;
            const CPathTreeNode* child = folder->children()[k].get();
            ASSERT_EQ(folder->findChild(expected[k].first), child) << expected[k].first;
            if (ignoreCase) {
                ASSERT_EQ(folder->findChild(folded(expected[k].first)), child) << expected[k].first;
            }
        }
        EXPECT_EQ(folder->findChild("file100000.dat"), nullptr);
    }
}

}  // namespace
