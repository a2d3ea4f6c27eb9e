// SPDX-License-Identifier: MIT
// Undoing the last clean-up: the files it moved come back byte for byte with
// their rows, a place taken since is skipped and reported, and only the last
// clean-up that moved anything is undone.
#include <unistd.h>

#include "CleanupSupport.h"
#include "engine/CleanupUndo.h"

using trashtest::readWhole;
using trashtest::trashedAs;

class CleanupUndoTrashTest : public CleanupTest {
protected:
    CleanupUndo::Summary undo() {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        CleanupUndo::Summary summary;
        std::string error;
        EXPECT_TRUE(CleanupUndo::run(database, summary, error)) << error;
        return summary;
    }
    std::size_t pending() {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        std::size_t count = 0;
        std::string error;
        EXPECT_TRUE(CleanupUndo::pending(database, count, error)) << error;
        return count;
    }
    // Full path -> MASK and FTIME of every stored file.
    static std::map<std::string, std::string> rows() {
        std::map<std::string, std::string> files;
        for (const auto& row : selectRows("SELECT A.FNAME || B.FNAME, B.MASK || ' ' || B.FTIME "
                                          "FROM FILEINFO_DIF A, FILEINFO_FIF B "
                                          "WHERE B.FOLDERID = A.ID"))
            files[row.at(0)] = row.at(1);
        return files;
    }
    std::string relative(const std::string& path) const {
        std::string text = path.substr(tree_.drivePath("").size() + 1);
        std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    }
    std::vector<std::string> relativeAll(const std::vector<std::string>& paths) const {
        std::vector<std::string> out;
        for (const std::string& path : paths) out.push_back(relative(path));
        return out;
    }
};

TEST_F(CleanupUndoTrashTest, TrashUndoPutsEveryMovedFileBackByteForByteWithItsRow) {
    std::string binary(70000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 % 256);
    const std::string mask = addFile("keep.bin", binary);
    const std::vector<std::string> odd = {"it's \"quoted\".bin", "line\nbreak.bin",
                                          "latin1-\xE9\xFF.bin", "sub/深/copy.bin"};
    for (const std::string& name : odd) addFile(name, binary);
    const std::vector<GroupCheck> groups = checked({mask});
    const std::map<std::string, std::string> before = rows();
    const CleanupRun::Summary moved = carryOut(groups, planned(groups, "shortest-path"));
    ASSERT_EQ(moved.moved.size(), odd.size());
    ASSERT_EQ(pending(), odd.size());
    for (const std::string& name : odd) ASSERT_FALSE(exists(name)) << name;

    const CleanupUndo::Summary summary = undo();

    EXPECT_EQ(relativeAll(summary.restored), odd);
    EXPECT_TRUE(summary.skipped.empty());
    EXPECT_TRUE(summary.gone.empty());
    EXPECT_EQ(summary.rowsRestored, odd.size());
    for (const std::string& name : odd) {
        EXPECT_EQ(readWhole(tree_.native(name)), binary) << name;
        EXPECT_TRUE(trashedAs(tree_.native(name)).empty()) << name;  // its record is gone too
    }
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(pending(), 0u);
}

TEST_F(CleanupUndoTrashTest, TrashUndoSkipsAPlaceTakenSinceAndPutsItBackOnceItIsFree) {
    const std::string mask = addFile("a.txt", "undo");
    addFile("b.txt", "undo");
    addFile("c.txt", "undo");
    const std::vector<GroupCheck> groups = checked({mask});
    ASSERT_EQ(carryOut(groups, planned(groups, "shortest-path")).moved.size(), 2u);
    tree_.writeFile("b.txt", "a new file in its place");

    const CleanupUndo::Summary summary = undo();

    EXPECT_EQ(relativeAll(summary.restored), std::vector<std::string>{"c.txt"});
    ASSERT_EQ(summary.skipped.size(), 1u);
    EXPECT_EQ(relative(summary.skipped[0].path), "b.txt");
    EXPECT_NE(summary.skipped[0].reason.find("taken"), std::string::npos)
        << summary.skipped[0].reason;
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "a new file in its place");
    EXPECT_EQ(readWhole(tree_.native("c.txt")), "undo");
    EXPECT_EQ(pending(), 1u);

    // Once the place is free again, undo puts the last one back.
    ASSERT_EQ(::unlink(tree_.native("b.txt").c_str()), 0);
    EXPECT_EQ(relativeAll(undo().restored), std::vector<std::string>{"b.txt"});
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "undo");
    EXPECT_EQ(pending(), 0u);
}

TEST_F(CleanupUndoTrashTest, TrashUndoReportsAFileNoLongerInTheTrashAndForgetsIt) {
    const std::string mask = addFile("a.txt", "emptied");
    addFile("b.txt", "emptied");
    const std::vector<GroupCheck> groups = checked({mask});
    const CleanupRun::Summary moved = carryOut(groups, planned(groups, "shortest-path"));
    ASSERT_EQ(moved.moved.size(), 1u);
    ASSERT_EQ(::unlink(moved.moved[0].outcome.trashed.trashedPath.c_str()), 0);

    const CleanupUndo::Summary summary = undo();

    EXPECT_TRUE(summary.restored.empty());
    ASSERT_EQ(summary.gone.size(), 1u);
    EXPECT_EQ(relative(summary.gone[0].path), "b.txt");
    EXPECT_FALSE(exists("b.txt"));
    EXPECT_EQ(pending(), 0u);
}

TEST_F(CleanupUndoTrashTest, TrashUndoTakesTheLastCleanUpThatMovedAnything) {
    const std::string first = addFile("a.txt", "first");
    addFile("b.txt", "first");
    const std::string second = addFile("c.txt", "second", "CD");
    addFile("d.txt", "second", "CD");
    const std::vector<GroupCheck> groups = checked({first, second});
    const std::vector<CleanupStep> steps = planned(groups, "shortest-path");
    ASSERT_EQ(steps.size(), 2u);
    ASSERT_EQ(carryOut(groups, {steps[0]}).moved.size(), 1u);
    ASSERT_EQ(carryOut(groups, {steps[1]}).moved.size(), 1u);
    // A clean-up whose every file is refused leaves the last one to undo.
    const CleanupRun::Summary nothing = carryOut(groups, {steps[0]});
    ASSERT_TRUE(nothing.moved.empty());

    EXPECT_EQ(relativeAll(undo().restored), std::vector<std::string>{"d.txt"});
    EXPECT_FALSE(exists("b.txt"));
    EXPECT_EQ(rowCount("LANBROOK_CLEANUP"), 0u);
}
