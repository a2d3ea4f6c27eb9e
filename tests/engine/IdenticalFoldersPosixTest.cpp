// SPDX-License-Identifier: MIT
// Identical folders where POSIX file systems differ from Windows: hard links
// between the copies, and names that differ only in case.
#include <unistd.h>

#include "FolderSupport.h"

using Sets = std::vector<std::vector<std::string>>;

using IdenticalFoldersPosixTest = FolderTest;

TEST_F(IdenticalFoldersPosixTest, HardLinkedCopiesAreIdenticalAndFreeNothing) {
    tree_.writeFile("a/x.bin", std::string(4000, 'x'));
    tree_.writeFile("a/sub/y.bin", std::string(6000, 'y'));
    tree_.makeFolder("b/sub");
    ASSERT_EQ(::link(tree_.native("a/x.bin").c_str(), tree_.native("b/x.bin").c_str()), 0);
    ASSERT_EQ(::link(tree_.native("a/sub/y.bin").c_str(), tree_.native("b/sub/y.bin").c_str()), 0);
    const FolderFindings found = analyseAndFind();

    ASSERT_EQ(setPaths(found), (Sets{{"a", "b"}}));
    const IdenticalFolders::Set& set = found.identical->sets()[0];
    EXPECT_EQ(set.bytes, 10000u);
    EXPECT_EQ(set.freed, 0u);
    // A file whose only other name is a link has no copy: nothing of a is copied.
    EXPECT_EQ(found.copies->totals(folderAt(found, "a")).copiedBytes, 0u);
    EXPECT_FALSE(found.copies->allCopied(folderAt(found, "b")));
    EXPECT_TRUE(found.identical->redundant().empty());
}

TEST_F(IdenticalFoldersPosixTest, ALinkToAFileElsewhereFreesNothingWhenItsFolderGoes) {
    tree_.writeFile("a/x.bin", std::string(4000, 'x'));
    tree_.writeFile("b/x.bin", std::string(4000, 'x'));
    tree_.writeFile("a/z.bin", std::string(1000, 'z'));
    tree_.writeFile("keep/z.bin", std::string(10, 'k'));
    ASSERT_EQ(::link(tree_.native("a/z.bin").c_str(), tree_.native("b/z.bin").c_str()), 0);
    ASSERT_EQ(::link(tree_.native("b/z.bin").c_str(), tree_.native("keep/zz.bin").c_str()), 0);
    const FolderFindings found = analyseAndFind();

    ASSERT_EQ(setPaths(found), (Sets{{"a", "b"}}));
    // b's x.bin is a copy of its own; its z.bin is a name of a file that stays.
    EXPECT_EQ(found.identical->sets()[0].freed, 4000u);
}

TEST_F(IdenticalFoldersPosixTest, NamesDifferingOnlyInCaseAreDifferentNames) {
    tree_.writeFile("a/Read.me", "the same text");
    tree_.writeFile("a/data.txt", "data");
    tree_.writeFile("b/read.me", "the same text");
    tree_.writeFile("b/data.txt", "data");
    tree_.writeFile("c/Read.me", "the same text");
    tree_.writeFile("c/data.txt", "data");
    // A folder with both spellings is like neither.
    tree_.writeFile("d/Read.me", "the same text");
    tree_.writeFile("d/read.me", "the same text");
    tree_.writeFile("d/data.txt", "data");
    const FolderFindings found = analyseAndFind();

    EXPECT_EQ(setPaths(found), (Sets{{"a", "c"}}));
}
