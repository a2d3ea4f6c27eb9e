// SPDX-License-Identifier: MIT
// 有副本 and 变化 of the space view: copies inside and outside a folder, hard
// links that are no copies, and the change between two analyses.
#include <unistd.h>

#include <ctime>

#include "SpaceSupport.h"
#include "engine/SpaceHistory.h"

using SpaceFiguresPosixTest = SpaceTest;

TEST_F(SpaceFiguresPosixTest, CopiedBytesCountCopiesOutsideTheFolderOnly) {
    const std::string x(3000, 'x'), y(2000, 'y');
    tree_.writeFile("p/x.bin", x);
    tree_.writeFile("p/inner/x2.bin", x);
    tree_.writeFile("p/only.bin", std::string(700, 'o'));
    tree_.writeFile("q/x3.bin", x);
    tree_.writeFile("r/y.bin", y);
    tree_.writeFile("r/sub/y2.bin", y);
    const SpaceTree space = analyseAndLoad();

    // Both of p's copies of x have one outside p (q); only.bin has none.
    EXPECT_EQ(figures(space, "p").copiedBytes, 6000u);
    EXPECT_FALSE(figures(space, "p").allCopied);
    EXPECT_EQ(figures(space, "p/inner").copiedBytes, 3000u);
    EXPECT_TRUE(figures(space, "p/inner").allCopied);
    EXPECT_DOUBLE_EQ(figures(space, "p/inner").copiedShare(), 1.0);
    // r's two copies of y are both inside r: r holds nothing copied elsewhere.
    EXPECT_EQ(figures(space, "r").copiedBytes, 0u);
    EXPECT_EQ(figures(space, "r/sub").copiedBytes, 2000u);
    EXPECT_EQ(figures(space, "q").copiedBytes, 3000u);
    // The tree holds every copy.
    EXPECT_EQ(figures(space, "").copiedBytes, 0u);
}

TEST_F(SpaceFiguresPosixTest, HardLinksAreNoCopiesAndCountOnceWithARealCopy) {
    const std::string h(4000, 'h'), l(5000, 'l');
    tree_.writeFile("s/h.bin", h);
    tree_.makeFolder("t");
    ASSERT_EQ(::link(tree_.native("s/h.bin").c_str(), tree_.native("t/h.bin").c_str()), 0);
    tree_.writeFile("u/l1.bin", l);
    tree_.makeFolder("u/sub");
    ASSERT_EQ(::link(tree_.native("u/l1.bin").c_str(), tree_.native("u/sub/l2.bin").c_str()), 0);
    tree_.writeFile("v/c.bin", l);
    const SpaceTree space = analyseAndLoad();

    EXPECT_EQ(figures(space, "s").copiedBytes, 0u);
    EXPECT_EQ(figures(space, "t").copiedBytes, 0u);
    EXPECT_FALSE(figures(space, "t").allCopied);
    // u holds one file under two names, with a real copy in v: 5000 bytes
    // of 5000, not 10000.
    EXPECT_EQ(figures(space, "u").size, 5000u);
    EXPECT_EQ(figures(space, "u").copiedBytes, 5000u);
    EXPECT_TRUE(figures(space, "u").allCopied);
    EXPECT_EQ(figures(space, "u/sub").copiedBytes, 5000u);
    EXPECT_EQ(figures(space, "v").copiedBytes, 5000u);
    EXPECT_EQ(figures(space, "").size, 4000u + 5000u + 5000u);
}

TEST_F(SpaceFiguresPosixTest, TheChangeIsTheDifferenceToThePreviousAnalysis) {
    tree_.writeFile("grow/a.bin", std::string(1000, 'a'));
    tree_.writeFile("shrink/b.bin", std::string(2000, 'b'));
    tree_.writeFile("shrink/c.bin", std::string(300, 'c'));
    tree_.writeFile("same/d.bin", std::string(400, 'd'));
    SpaceTree first = analyseAndLoad(false);
    // One analysis: nothing to compare with.
    EXPECT_FALSE(figures(first, "grow").hasChange);
    EXPECT_EQ(first.previousAnalysisTime(), 0);
    EXPECT_NE(first.analysisTime(), 0);

    tree_.writeFile("grow/new.bin", std::string(5000, 'n'));
    ASSERT_EQ(::unlink(tree_.native("shrink/b.bin").c_str()), 0);
    tree_.writeFile("added/e.bin", std::string(10, 'e'));
    const std::int64_t later = std::time(nullptr) + 5;
    for (const char* changed : {"grow", "grow/new.bin", "shrink", "added", "added/e.bin", ""})
        tree_.setModificationTime(changed, later);
    const SpaceTree second = analyseAndLoad(false);

    EXPECT_TRUE(figures(second, "grow").hasChange);
    EXPECT_EQ(figures(second, "grow").change, 5000);
    EXPECT_EQ(figures(second, "shrink").change, -2000);
    EXPECT_TRUE(figures(second, "same").hasChange);
    EXPECT_EQ(figures(second, "same").change, 0);
    EXPECT_FALSE(figures(second, "added").hasChange);
    EXPECT_EQ(figures(second, "").change, 5000 - 2000 + 10);
    EXPECT_NE(second.previousAnalysisTime(), 0);
    // Only the last two analyses are kept.
    analyse();
    EXPECT_EQ(rowCount("FOLDER_SPACE_RUN"), 2u);
    EXPECT_EQ(selectRows("SELECT COUNT(DISTINCT RUN) FROM FOLDER_SPACE").at(0).at(0), "2");
}

// The rows the view walks: drives under the top, a drive's folders largest
// first with its 未扫描 row last, parents back up to the top.
TEST_F(SpaceFiguresPosixTest, RowsComeLargestFirstUnderTheirDrive) {
    tree_.writeFile("small/a.txt", "a");
    tree_.writeFile("large/b.bin", std::string(20000, 'b'));
    tree_.writeFile("large/inner/c.bin", std::string(9000, 'c'));
    tree_.writeFile("middle/d.bin", std::string(9000, 'd'));
    const SpaceTree space = analyseAndLoad(false);

    const auto drives = space.children(SpaceTree::kTop);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].name, "C:\\");
    const auto tops = space.children(drives[0].id);
    ASSERT_EQ(tops.size(), 2u);  // the tree, then 未扫描
    EXPECT_EQ(tops[0].path, folder());
    const auto rows = space.children(tops[0].id);
    std::vector<std::string> names;
    for (const SpaceTree::Row& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"large", "middle", "small"}));
    EXPECT_EQ(rows[0].figures.files, 2u);
    EXPECT_EQ(space.children(rows[0].id).at(0).name, "inner");

    const SpaceTree::NodeId inner = space.find(folder("large/inner"));
    EXPECT_EQ(space.parent(inner), rows[0].id);
    EXPECT_EQ(space.parent(rows[0].id), tops[0].id);
    EXPECT_EQ(space.parent(tops[0].id), drives[0].id);
    EXPECT_EQ(space.parent(drives[0].id), SpaceTree::kTop);
    EXPECT_EQ(space.row(SpaceTree::kTop).figures.size, 38001u);
    EXPECT_TRUE(space.children(SpaceTree::kNoNode).empty());
    EXPECT_EQ(space.largestFiles(inner).size(), 1u);
}
