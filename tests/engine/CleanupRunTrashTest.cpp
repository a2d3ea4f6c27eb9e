// SPDX-License-Identifier: MIT
// Carrying out a clean-up plan: every planned copy to the trash, files that
// changed since the plan refused and the rest moved, a cancel part way, and
// the plan's promise held at run time.
#include <unistd.h>

#include "CleanupSupport.h"
#include "engine/AnalysisScope.h"
#include "engine/CleanupProtection.h"

using trashtest::readWhole;
using trashtest::trashedAs;

using CleanupRunTrashTest = CleanupTest;

TEST_F(CleanupRunTrashTest, TrashTakesEveryPlannedCopyLeavesProtectedFilesAndRecordsEachMove) {
    const std::string photo(5000, 'p');
    const std::string mask = addFile("keep/photo.jpg", photo);
    addFile("a/photo (1).jpg", photo);
    addFile("a/b/photo.jpg", photo);
    const std::string notes = "the same notes";
    const std::string other = addFile("x/notes.txt", notes, "CD");
    addFile("y/notes - Copy.txt", notes, "CD");
    // Two names of one file go together and free its bytes once.
    ASSERT_EQ(::link(tree_.native("y/notes - Copy.txt").c_str(),
                     tree_.native("y/notes - Copy 2.txt").c_str()),
              0);
    addRow("y/notes - Copy 2.txt", "CD", notes.size());
    const std::vector<GroupCheck> groups = checked({mask, other});
    const std::string guarded = folder("keep");
    const auto inKeep = [&](const std::string& path) { return path.rfind(guarded, 0) == 0; };
    // Deepest would keep a/b/photo.jpg; the protected folder's copy stays instead.
    const std::vector<CleanupStep> steps = planned(groups, "deepest", inKeep);
    ASSERT_EQ(steps.size(), 2u);

    CleanupRun::Progress progress;
    const std::atomic<bool> never{false};
    const CleanupRun::Summary summary = carryOut(groups, steps, never, {}, &progress);

    EXPECT_EQ(pathsOf(summary.moved),
              (std::vector<std::string>{"a/photo (1).jpg", "a/b/photo.jpg", "y/notes - Copy.txt",
                                        "y/notes - Copy 2.txt"}));
    EXPECT_TRUE(summary.refused.empty());
    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.bytesFreed, 2 * photo.size() + notes.size());
    EXPECT_EQ(readWhole(tree_.native("keep/photo.jpg")), photo);
    EXPECT_EQ(readWhole(tree_.native("x/notes.txt")), notes);
    for (const CleanupRun::Item& item : summary.moved) {
        EXPECT_TRUE(item.recorded) << item.path;
        EXPECT_FALSE(platform::pathExists(item.path)) << item.path;
    }
    EXPECT_EQ(
        readWhole(trashtest::trashFolder() + "/files/" + trashedAs(tree_.native("a/b/photo.jpg"))),
        photo);
    const CleanupRun::Totals totals = CleanupRun::totals(groups, steps);
    EXPECT_EQ(totals.files, 4u);
    EXPECT_EQ(progress.files.load(), totals.files);
    EXPECT_EQ(progress.bytes.load(), totals.bytes);
    EXPECT_EQ(rowCount("LANBROOK_CLEANUP"), 4u);
}

TEST_F(CleanupRunTrashTest, TrashRefusesFilesChangedSinceThePlanAndMovesTheRest) {
    const std::string content(3000, 'c');
    const std::string first = addFile("a/one.bin", content);
    addFile("b/one.bin", content);
    addFile("c/one.bin", content);
    const std::string second = addFile("a/two.txt", "second group", "CD");
    addFile("b/two.txt", "second group", "CD");
    const std::string third = addFile("a/three.txt", "third group", "EF");
    addFile("b/three.txt", "third group", "EF");
    const std::vector<GroupCheck> groups = checked({first, second, third});
    const std::vector<CleanupStep> steps = planned(groups, "shortest-path");
    ASSERT_EQ(steps.size(), 3u);

    // After the plan: a copy rewritten with its time put back, the file that
    // stays in the second group removed.
    std::int64_t time = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("b/one.bin"), time));
    std::string rewritten = content;
    rewritten[1500] = 'x';
    tree_.writeFile("b/one.bin", rewritten);
    tree_.setModificationTime("b/one.bin", time);
    ASSERT_EQ(::unlink(tree_.native("a/two.txt").c_str()), 0);

    const CleanupRun::Summary summary = carryOut(groups, steps);

    EXPECT_EQ(pathsOf(summary.moved), (std::vector<std::string>{"c/one.bin", "b/three.txt"}));
    ASSERT_EQ(pathsOf(summary.refused), (std::vector<std::string>{"b/one.bin", "b/two.txt"}));
    EXPECT_EQ(summary.refused[0].outcome.refusal, CopyRemover::Refusal::ContentDiffers);
    EXPECT_EQ(summary.refused[1].outcome.refusal, CopyRemover::Refusal::KeptChanged);
    EXPECT_EQ(readWhole(tree_.native("b/one.bin")), rewritten);
    EXPECT_EQ(readWhole(tree_.native("b/two.txt")), "second group");
    EXPECT_EQ(summary.bytesFreed, content.size() + std::string("third group").size());
}

TEST_F(CleanupRunTrashTest, TrashCancelledPartWayKeepsWhatMovedAndLeavesTheRest) {
    const std::string content = "five copies";
    const std::string mask = addFile("f0.txt", content);
    for (int i = 1; i < 5; ++i) addFile("f" + std::to_string(i) + ".txt", content);
    const std::string other = addFile("g0.txt", "two more", "CD");
    addFile("g1.txt", "two more", "CD");
    const std::vector<GroupCheck> groups = checked({mask, other});
    const std::vector<CleanupStep> steps = planned(groups, "shortest-path");
    ASSERT_EQ(CleanupRun::totals(groups, steps).files, 5u);

    // The user cancels while the second file moves: it still ends, nothing after it starts.
    std::atomic<bool> cancel{false};
    int moves = 0;
    const auto cancelOnSecond = [&](const std::string& path, platform::TrashedItem& item,
                                    std::string& reason) {
        if (++moves == 2) cancel = true;
        return platform::moveToTrash(path, item, reason);
    };
    const CleanupRun::Summary summary = carryOut(groups, steps, cancel, cancelOnSecond);

    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(pathsOf(summary.moved), (std::vector<std::string>{"f1.txt", "f2.txt"}));
    EXPECT_EQ(summary.notTried, 3u);
    EXPECT_TRUE(summary.refused.empty());
    for (const char* stays : {"f0.txt", "f3.txt", "f4.txt", "g0.txt", "g1.txt"})
        EXPECT_TRUE(exists(stays)) << stays;
    EXPECT_EQ(rowCount("LANBROOK_CLEANUP"), 2u);
}

TEST_F(CleanupRunTrashTest, TrashRunNeverMovesAFileAnEarlierStepKeptNorKeepsOneItMoved) {
    // Steps made by hand, as if the plan's own check had been skipped: the
    // run holds the promise by itself.
    const std::string content = "one content, three names";
    const std::string mask = addFile("a.txt", content);
    addFile("b.txt", content);
    addFile("c.txt", content);
    const std::vector<GroupCheck> groups = checked({mask});
    const GroupCheck& group = groups[0];
    const auto step = [&](const char* keep, std::vector<const char*> moving) {
        CleanupStep made;
        made.contentClass = 0;
        made.keep = trashtest::indexNamed(group, keep);
        for (const char* name : moving) made.moving.push_back(trashtest::indexNamed(group, name));
        return made;
    };
    // a stays and b goes; then c would stay and a go; then b would stay and c go.
    const std::vector<CleanupStep> steps = {step("a.txt", {"b.txt"}), step("c.txt", {"a.txt"}),
                                            step("b.txt", {"c.txt"})};

    const CleanupRun::Summary summary = carryOut(groups, steps);

    EXPECT_EQ(pathsOf(summary.moved), std::vector<std::string>{"b.txt"});
    ASSERT_EQ(pathsOf(summary.refused), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(summary.refused[0].held, CleanupRun::Held::KeptEarlier);
    EXPECT_EQ(summary.refused[1].held, CleanupRun::Held::KeepMovedEarlier);
    EXPECT_EQ(readWhole(tree_.native("a.txt")), content);
    EXPECT_EQ(readWhole(tree_.native("c.txt")), content);
}

TEST_F(CleanupRunTrashTest, TrashNeverTouchesTheFilesOfAStepThePlanRefused) {
    // One file under two names in two groups (as rows of two fingerprints):
    // the second group's step would move the name the first group keeps.
    const std::string content = "reached through two groups";
    const std::string first = addFile("a/one.txt", content);
    addFile("b/two.txt", content);
    tree_.makeFolder("c");
    ASSERT_EQ(::link(tree_.native("a/one.txt").c_str(), tree_.native("c/one-again.txt").c_str()),
              0);
    const std::string second = addRow("c/one-again.txt", "CD", content.size());
    addFile("d/other.txt", content, "CD");
    const std::vector<GroupCheck> groups = checked({first, second});
    const std::vector<CleanupStep> steps =
        planned(groups, "path:" + folder("a") + ",path:" + folder("d"));
    ASSERT_EQ(steps.size(), 2u);
    ASSERT_EQ(steps[1].refusal, CleanupPlanner::kCrossingRefusal);

    const CleanupRun::Summary summary = carryOut(groups, steps);

    EXPECT_EQ(pathsOf(summary.moved), std::vector<std::string>{"b/two.txt"});
    ASSERT_EQ(pathsOf(summary.refused), std::vector<std::string>{"c/one-again.txt"});
    EXPECT_EQ(summary.refused[0].held, CleanupRun::Held::ByPlan);
    EXPECT_EQ(summary.refused[0].planReason, CleanupPlanner::kCrossingRefusal);
    for (const char* stays : {"a/one.txt", "c/one-again.txt", "d/other.txt"})
        EXPECT_EQ(readWhole(tree_.native(stays)), content) << stays;
}

TEST_F(CleanupRunTrashTest, TrashWhoseBatchTheDatabaseRefusesSaysSoAndLeavesTheRows) {
    const std::string mask = addFile("a.txt", "held");
    addFile("b.txt", "held");
    const std::vector<GroupCheck> groups = checked({mask});
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    ContentChecker cache(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(cache.open()) << cache.errorText();
    CleanupJournal journal(database);
    ASSERT_TRUE(journal.begin()) << journal.errorText();
    // Another program reads in a transaction: no commit can end meanwhile.
    CSqliteDB reader(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(reader.open());
    ASSERT_TRUE(reader.execute("BEGIN"));
    ASSERT_TRUE(reader.query("SELECT COUNT(*) FROM FILEINFO_FIF"));

    const std::atomic<bool> never{false};
    const CleanupRun::Summary summary =
        CleanupRun(database, cache)
            .run(groups, planned(groups, "shortest-path"), never, nullptr, &journal);
    ASSERT_TRUE(reader.execute("ROLLBACK"));

    ASSERT_EQ(pathsOf(summary.moved), std::vector<std::string>{"b.txt"});
    EXPECT_FALSE(summary.moved[0].recorded);
    EXPECT_FALSE(summary.moved[0].outcome.rowDeleted);
    EXPECT_NE(summary.journalError.find("locked"), std::string::npos) << summary.journalError;
    EXPECT_FALSE(exists("b.txt"));
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.txt"), 1u);  // until the next analysis
    EXPECT_EQ(rowCount("LANBROOK_CLEANUP"), 0u);
}

// The protected folders come from the analysis scope stored in the
// database: a plan made with them keeps every protected file, whatever the
// rules prefer, and none of them moves.
TEST_F(CleanupRunTrashTest, TrashNeverMovesAFileOfAProtectedFolderOfTheStoredScope) {
    const std::string content(2048, 'k');
    const std::string mask = addFile("kept/a/photo.jpg", content);
    addFile("kept/b/photo.jpg", content);
    addFile("loose/photo.jpg", content);
    const std::vector<GroupCheck> groups = checked({mask});
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    AnalysisScope scope;
    scope.addFolder(folder("kept"), true);
    ASSERT_TRUE(scope.save(database, AnalysisScope::Stored::Chosen)) << database.errorText();

    CleanupPlanner::ProtectedTest isProtected;
    std::string error;
    ASSERT_TRUE(loadCleanupProtection(database, isProtected, error)) << error;
    ASSERT_TRUE(isProtected);
    // Shortest path would keep loose/photo.jpg and move both protected files.
    const std::vector<CleanupStep> steps = planned(groups, "shortest-path", isProtected);
    ASSERT_EQ(steps.size(), 1u);
    const CleanupRun::Summary summary = carryOut(groups, steps);

    EXPECT_EQ(pathsOf(summary.moved), std::vector<std::string>{"loose/photo.jpg"});
    EXPECT_TRUE(summary.refused.empty());
    EXPECT_TRUE(exists("kept/a/photo.jpg") && exists("kept/b/photo.jpg"));
}

TEST_F(CleanupRunTrashTest, ProtectedFoldersThatCannotBeReadRefuseThePlan) {
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    // Both tables of a scope, of a layout no scope has.
    ASSERT_TRUE(database.execute("CREATE TABLE LANBROOK_SCOPE (SOMETHING TEXT)"));
    ASSERT_TRUE(database.execute("CREATE TABLE LANBROOK_SCOPE_SET (SOMETHING TEXT)"));
    CleanupPlanner::ProtectedTest isProtected;
    std::string error;
    EXPECT_FALSE(loadCleanupProtection(database, isProtected, error));
    EXPECT_FALSE(error.empty());
}
