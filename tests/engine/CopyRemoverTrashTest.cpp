// SPDX-License-Identifier: MIT
// Moving copies to the desktop's trash: a real trash in the test's own data
// folder, real files beside the ones that stay, and the checks made right
// before each move.
#include <unistd.h>

#include <filesystem>

#include "TrashSupport.h"
#include "engine/AnalysisScope.h"

using trashtest::indexNamed;
using trashtest::readWhole;
using trashtest::trashedAs;
using trashtest::trashFolder;

using CopyRemoverTrashTest = TrashTest;

TEST_F(CopyRemoverTrashTest, TrashTakesEveryOtherCopyWithOddNamesAndForgetsTheirRows) {
    const std::string content = "the same bytes in every copy";
    const std::vector<std::string> odd = {"it's \"quoted\" and blank.txt", "line\nbreak.txt",
                                          "latin1-\xE9\xFF.txt"};
    const std::string mask = addFile("keep.txt", content);
    for (const std::string& name : odd) addFile(name, content);
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    const std::vector<int> copies = CopyRemover::copiesOf(group, indexNamed(group, "keep.txt"));
    ASSERT_EQ(copies.size(), 3u);

    const auto outcomes = trash(group, "keep.txt", odd);
    ASSERT_EQ(outcomes.size(), 3u);
    for (std::size_t i = 0; i < odd.size(); ++i) {
        SCOPED_TRACE(odd[i]);
        EXPECT_EQ(outcomes[i].refusal, CopyRemover::Refusal::None) << outcomes[i].reason;
        EXPECT_TRUE(outcomes[i].rowDeleted);
        EXPECT_FALSE(platform::pathExists(tree_.drivePath(odd[i])));
        const std::string inTrash = trashedAs(tree_.native(odd[i]));
        ASSERT_FALSE(inTrash.empty());
        EXPECT_EQ(readWhole(trashFolder() + "/files/" + inTrash), content);
        EXPECT_EQ(rowsNamed("FILEINFO_FIF", odd[i]), 0u);
        EXPECT_EQ(rowsNamed("CONTENT_HASH", odd[i]), 0u);
    }
    EXPECT_EQ(readWhole(tree_.native("keep.txt")), content);
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "keep.txt"), 1u);
    // What is left of the group is the file that stays.
    const GroupCheck after = check(mask);
    ASSERT_EQ(after.files.size(), 1u);
    EXPECT_EQ(after.files[0].name, "keep.txt");
}

TEST_F(CopyRemoverTrashTest, TrashRefusesACopyRewrittenAfterTheCheckAndLeavesIt) {
    const std::string content(4096, 'c');
    const std::string mask = addFile("a.bin", content);
    addFile("b.bin", content);
    std::int64_t time = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("b.bin"), time));
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);

    std::string rewritten = content;
    rewritten[2000] = 'x';  // same length, and its time put back
    tree_.writeFile("b.bin", rewritten);
    tree_.setModificationTime("b.bin", time);
    const auto outcomes = trash(group, "a.bin", {"b.bin"});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::ContentDiffers);
    EXPECT_EQ(readWhole(tree_.native("b.bin")), rewritten);
    EXPECT_TRUE(trashedAs(tree_.native("b.bin")).empty());
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.bin"), 1u);

    // A copy whose time moved on is refused as changed, before any reading.
    tree_.writeFile("b.bin", content);
    tree_.setModificationTime("b.bin", time + 60);
    EXPECT_EQ(trash(group, "a.bin", {"b.bin"})[0].refusal, CopyRemover::Refusal::Changed);
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("b.bin")));
}

TEST_F(CopyRemoverTrashTest, TrashNeverTakesTheLastCopyALinkPartnerOrALinkInACopysPlace) {
    const std::string content = "one content";
    const std::string mask = addFile("a.txt", content);
    ASSERT_EQ(::link(tree_.native("a.txt").c_str(), tree_.native("a-link.txt").c_str()), 0);
    addRow("a-link.txt", "AB", content.size());
    addFile("b.txt", content);
    addFile("odd.txt", "one contenT");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Partly);

    // Another name of the file that stays is never a copy of it.
    EXPECT_EQ(CopyRemover::copiesOf(group, indexNamed(group, "a.txt")),
              std::vector<int>{indexNamed(group, "b.txt")});
    EXPECT_EQ(trash(group, "a.txt", {"a-link.txt"})[0].refusal, CopyRemover::Refusal::NotOffered);
    // A file alone in its class is the last copy of its content.
    EXPECT_EQ(CopyRemover::keeperFor(group, indexNamed(group, "odd.txt")), -1);
    EXPECT_EQ(trash(group, "b.txt", {"odd.txt"})[0].refusal, CopyRemover::Refusal::NotOffered);

    // A symbolic link put in the copy's place is refused; neither name moves.
    ASSERT_EQ(::unlink(tree_.native("b.txt").c_str()), 0);
    ASSERT_EQ(::symlink(tree_.native("a.txt").c_str(), tree_.native("b.txt").c_str()), 0);
    EXPECT_EQ(trash(group, "a.txt", {"b.txt"})[0].refusal, CopyRemover::Refusal::NotRegular);
    EXPECT_EQ(readWhole(tree_.native("a.txt")), content);
    EXPECT_TRUE(trashedAs(tree_.native("b.txt")).empty());
}

TEST_F(CopyRemoverTrashTest, TrashRefusesWhenTheFileThatStaysIsGone) {
    const GroupCheck group = twoCopies("twins");
    std::remove(tree_.native("a.txt").c_str());
    EXPECT_EQ(trash(group, "a.txt", {"b.txt"})[0].refusal, CopyRemover::Refusal::KeptChanged);
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "twins");
}

TEST_F(CopyRemoverTrashTest, TrashThatCannotBeMadeRefusesAndKeepsTheFileAndItsRow) {
    const GroupCheck group = twoCopies("kept either way");
    // A plain file where the trash folder must be: the trash cannot be made,
    // whatever the user's rights (these tests may run as root).
    const std::string away = trashFolder() + ".away";
    std::filesystem::create_directories(std::filesystem::path(trashFolder()).parent_path());
    std::rename(trashFolder().c_str(), away.c_str());
    std::ofstream(trashFolder()) << "not a folder";
    ASSERT_TRUE(std::filesystem::is_regular_file(trashFolder()));

    const auto outcomes = trash(group, "a.txt", {"b.txt"});

    std::remove(trashFolder().c_str());
    std::rename(away.c_str(), trashFolder().c_str());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::TrashFailed);
    EXPECT_FALSE(outcomes[0].reason.empty());
    EXPECT_FALSE(outcomes[0].rowDeleted);
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "kept either way");
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.txt"), 1u);
}

TEST_F(CopyRemoverTrashTest, TrashOutcomeTellsWhereTheCopyWentSoTheMoveCanBeUndone) {
    const std::string mask = addFile("a.txt", "undo me");
    addFile("sub/b.txt", "undo me");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);

    const auto outcomes = trash(group, "a.txt", {"b.txt"});
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_EQ(outcomes[0].refusal, CopyRemover::Refusal::None) << outcomes[0].reason;
    const platform::TrashedItem& item = outcomes[0].trashed;
    EXPECT_EQ(item.originalPath, tree_.drivePath("sub/b.txt"));
    EXPECT_EQ(item.trashedPath, trashFolder() + "/files/" + trashedAs(tree_.native("sub/b.txt")));
    EXPECT_EQ(readWhole(item.trashedPath), "undo me");
    EXPECT_EQ(::access(item.infoPath.c_str(), F_OK), 0) << item.infoPath;

    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
    EXPECT_EQ(readWhole(tree_.native("sub/b.txt")), "undo me");
    EXPECT_NE(::access(item.trashedPath.c_str(), F_OK), 0);
    EXPECT_NE(::access(item.infoPath.c_str(), F_OK), 0);
}

// The move goes by name: whatever it took that is not the compared copy goes
// back, here the file that stays, as if the names had been swapped at the
// moment of the move.
TEST_F(CopyRemoverTrashTest, TrashPutsBackWhatTheMoveTookWhenItIsNotTheComparedCopy) {
    const GroupCheck group = twoCopies("swapped");
    const auto movesTheKeptFile = [&](const std::string&, platform::TrashedItem& item,
                                      std::string& reason) {
        return platform::moveToTrash(tree_.drivePath("a.txt"), item, reason);
    };

    const auto outcomes = trash(group, "a.txt", {"b.txt"}, movesTheKeptFile);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::MovedBack);
    EXPECT_FALSE(outcomes[0].reason.empty());
    EXPECT_TRUE(outcomes[0].trashed.trashedPath.empty());
    EXPECT_EQ(readWhole(tree_.native("a.txt")), "swapped");
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "swapped");
    EXPECT_TRUE(trashedAs(tree_.native("a.txt")).empty());
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.txt"), 1u);
}

// When the place is taken before the move can be undone, the outcome says
// where the copy is; nothing in the taken place is replaced.
TEST_F(CopyRemoverTrashTest, TrashThatCannotBeUndoneSaysWhereTheCopyIs) {
    const GroupCheck group = twoCopies("last");
    const auto moveThenInterfere = [&](const std::string& path, platform::TrashedItem& item,
                                       std::string& reason) {
        const bool moved = platform::moveToTrash(path, item, reason);
        tree_.writeFile("b.txt", "new file in its place");
        std::remove(tree_.native("a.txt").c_str());
        return moved;
    };

    const auto outcomes = trash(group, "a.txt", {"b.txt"}, moveThenInterfere);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::NotMovedBack);
    EXPECT_NE(outcomes[0].reason.find(outcomes[0].trashed.trashedPath), std::string::npos)
        << outcomes[0].reason;
    EXPECT_EQ(readWhole(outcomes[0].trashed.trashedPath), "last");
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "new file in its place");
    EXPECT_FALSE(outcomes[0].rowDeleted);
}

TEST_F(CopyRemoverTrashTest, TrashRefusalOfTheMoveItselfKeepsItsReason) {
    const GroupCheck group = twoCopies("kept");
    const auto refuses = [](const std::string&, platform::TrashedItem&, std::string& reason) {
        reason = "no room in the trash";
        return false;
    };
    const auto outcomes = trash(group, "a.txt", {"b.txt"}, refuses);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::TrashFailed);
    EXPECT_EQ(outcomes[0].reason, "no room in the trash");
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "kept");
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.txt"), 1u);
}

TEST_F(CopyRemoverTrashTest, AFileInAProtectedFolderIsRefusedAndStays) {
    const std::string content(3000, 'k');
    const std::string mask = addFile("work/a.bin", content);
    addFile("archive/a.bin", content);
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    AnalysisScope chosen;
    chosen.addFolder(folder("archive"), true);
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(chosen.save(db, AnalysisScope::Stored::Chosen));
    }
    // Asked to move the protected copy and keep the other, the remover refuses.
    int archived = -1, work = -1;
    for (std::size_t i = 0; i < group.files.size(); ++i)
        (group.files[i].folderPath == folder("archive") ? archived : work) = int(i);
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    ContentChecker cache(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(cache.open());
    CopyRemover remover(database, cache);
    const auto refused = remover.moveToTrash(group, work, {archived});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].refusal, CopyRemover::Refusal::Protected);
    EXPECT_EQ(readWhole(tree_.native("archive/a.bin")), content);
    // The other way round the move is allowed: the protected copy stays.
    const auto moved = remover.moveToTrash(group, archived, {work});
    EXPECT_EQ(moved.at(0).refusal, CopyRemover::Refusal::None) << moved.at(0).reason;
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("archive/a.bin")));
}
