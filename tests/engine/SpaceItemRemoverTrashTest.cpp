// SPDX-License-Identifier: MIT
// One item of the space view to the trash: a real trash, real trees, and the
// check right before the move that the item is what the analysis stored.
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "SpaceSupport.h"
#include "TrashSupport.h"

namespace fs = std::filesystem;

using Refusal = SpaceItemRemover::Refusal;

class SpaceItemRemoverTrashTest : public SpaceTest {
protected:
    void SetUp() override {
        (void)trashtest::trashFolder();
        SpaceTest::SetUp();
        tree_.writeFile("keep/readme.txt", "read me");
        tree_.writeFile("old/a.bin", std::string(3000, 'a'));
        tree_.writeFile("old/sub/b.bin", std::string(2000, 'b'));
        tree_.makeFolder("old/empty");
    }
};

TEST_F(SpaceItemRemoverTrashTest, AnUnchangedFolderAndFileMoveAndLeaveTheDatabase) {
    const SpaceTree space = analyseAndLoad(false);
    const SpaceItemRemover::Outcome folderMoved = space.trash(folder("old"));
    EXPECT_EQ(folderMoved.refusal, Refusal::None) << folderMoved.reason;
    EXPECT_FALSE(fs::exists(tree_.native("old")));
    EXPECT_FALSE(trashtest::trashedAs(tree_.native("old")).empty());
    EXPECT_TRUE(folderMoved.rowsDeleted);
    const SpaceItemRemover::Outcome fileMoved = space.trash(folder("keep") + "readme.txt");
    EXPECT_EQ(fileMoved.refusal, Refusal::None) << fileMoved.reason;
    EXPECT_FALSE(fs::exists(tree_.native("keep/readme.txt")));
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 0u);
    const SpaceTree after = load(false);
    EXPECT_EQ(after.find(folder("old")), SpaceTree::kNoNode);
    EXPECT_EQ(figures(after, "").size, 0u);
}

TEST_F(SpaceItemRemoverTrashTest, AChangedItemIsRefusedAndStays) {
    const SpaceTree space = analyseAndLoad(false);
    // A file grown since the analysis.
    tree_.writeFile("keep/readme.txt", "read me, and more");
    SpaceItemRemover::Outcome outcome = space.trash(folder("keep") + "readme.txt");
    EXPECT_EQ(outcome.refusal, Refusal::NotAsStored);
    EXPECT_NE(outcome.reason.find("length"), std::string::npos) << outcome.reason;
    EXPECT_TRUE(fs::exists(tree_.native("keep/readme.txt")));
    // A folder with a file added below it.
    tree_.writeFile("old/empty/new.txt", "new");
    outcome = space.trash(folder("old"));
    EXPECT_EQ(outcome.refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcome.at, "empty\\new.txt");
    EXPECT_TRUE(fs::exists(tree_.native("old/a.bin")));
    ASSERT_EQ(::unlink(tree_.native("old/empty/new.txt").c_str()), 0);
    // A stored file gone, and one rewritten to the same length.
    ASSERT_EQ(::unlink(tree_.native("old/sub/b.bin").c_str()), 0);
    outcome = space.trash(folder("old"));
    EXPECT_EQ(outcome.refusal, Refusal::NotAsStored);
    tree_.writeFile("old/sub/b.bin", std::string(2000, 'c'));
    tree_.setModificationTime("old/sub/b.bin", std::time(nullptr) + 60);
    outcome = space.trash(folder("old"));
    EXPECT_EQ(outcome.refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcome.at, "sub\\b.bin");
    EXPECT_TRUE(fs::exists(tree_.native("old/sub/b.bin")));
    // A path the tree does not hold.
    EXPECT_EQ(space.trash(folder("nowhere")).refusal, Refusal::NotAsStored);
}

TEST_F(SpaceItemRemoverTrashTest, AFolderReplacedRightBeforeTheMoveIsRefused) {
    const SpaceTree space = analyseAndLoad(false);
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    ContentChecker cache(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(cache.open());
    SpaceItemRemover remover(database, cache, {}, [&](const std::string&) {
        tree_.writeFile("old/a.bin", std::string(3000, 'z'));  // the same length, rewritten
    });
    const SpaceItemRemover::Outcome outcome =
        remover.moveFolder(space.inventory(), space.inventory().find(folder("old")));
    EXPECT_EQ(outcome.refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcome.at, "a.bin");
    EXPECT_TRUE(fs::exists(tree_.native("old/a.bin")));
}

TEST_F(SpaceItemRemoverTrashTest, AProtectedFolderStays) {
    analyse({"old/sub"});
    const SpaceTree space = load(false);
    const SpaceItemRemover::Outcome outcome = space.trash(folder("old"));
    EXPECT_EQ(outcome.refusal, Refusal::Protected);
    EXPECT_TRUE(fs::exists(tree_.native("old/sub/b.bin")));
}
