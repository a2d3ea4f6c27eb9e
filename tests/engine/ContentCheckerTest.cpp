// SPDX-License-Identifier: MIT
// The content check of groups of real files: classes, states, the cheap
// comparison of ends, the cache table and its pruning, changed files.
#include <cstdio>
#include <memory>

#include "ContentCheckSupport.h"
#include "engine/ContentReader.h"

namespace {

constexpr std::size_t kLarge = 300 * 1024;  // compared by the ends first

// `length` bytes of a pattern that depends on `seed`.
std::string bytesOf(std::size_t length, char seed) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(seed + i * 7 % 251);
    return text;
}

}  // namespace

TEST_F(ContentCheckTest, PairDifferingOnlyBetweenTheEndsIsRefuted) {
    std::string other = bytesOf(kLarge, 'a');
    other[kLarge / 2] ^= 1;
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 'a'));
    addFile("b.bin", other);
    ContentChecker::Counters counters;
    const GroupCheck group = check(mask, &counters);
    EXPECT_EQ(group.state, GroupState::Refuted);
    ASSERT_EQ(group.classes.size(), 2u);
    EXPECT_EQ(group.reclaimableBytes(), 0u);
    EXPECT_NE(group.files[0].contentClass, group.files[1].contentClass);
    // Their ends match, so both had to be read whole.
    EXPECT_GE(counters.bytesRead, 2 * kLarge);
}

TEST_F(ContentCheckTest, FilesDifferingAtTheStartAreToldApartByTheirEnds) {
    std::string other = bytesOf(4 * kLarge, 'a');
    other[10] ^= 1;
    const std::string mask = addFile("a.bin", bytesOf(4 * kLarge, 'a'));
    addFile("b.bin", other);
    ContentChecker::Counters counters;
    const GroupCheck group = check(mask, &counters);
    EXPECT_EQ(group.state, GroupState::Refuted);
    EXPECT_EQ(counters.filesOpened, 2u);
    EXPECT_LE(counters.bytesRead, 4 * ContentReader::kEndBlock);
}

TEST_F(ContentCheckTest, ThreeCopiesAndOneOtherFormAClassOfThreeAndAUniqueFile) {
    std::string other = bytesOf(kLarge, 'x');
    other[1000] = '!';
    const std::string mask = addFile("one/a.bin", bytesOf(kLarge, 'x'));
    addFile("two/b.bin", bytesOf(kLarge, 'x'));
    addFile("two/odd.bin", other);
    addFile("three/c.bin", bytesOf(kLarge, 'x'));
    const GroupCheck group = check(mask);
    EXPECT_EQ(group.state, GroupState::Partly);
    const auto classes = classOf(group);
    ASSERT_EQ(group.classes.size(), 2u);
    EXPECT_EQ(classes.at("a.bin"), classes.at("b.bin"));
    EXPECT_EQ(classes.at("a.bin"), classes.at("c.bin"));
    EXPECT_NE(classes.at("a.bin"), classes.at("odd.bin"));
    EXPECT_EQ(group.classes[std::size_t(classes.at("odd.bin"))].size(), 1u);
    EXPECT_EQ(group.reclaimableBytes(), 2 * kLarge);
    EXPECT_EQ(group.length, kLarge);
}

TEST_F(ContentCheckTest, SmallIdenticalFilesAreConfirmed) {
    const std::string mask = addFile("a.txt", "the same small text");
    addFile("b.txt", "the same small text");
    const GroupCheck group = check(mask);
    EXPECT_EQ(group.state, GroupState::Confirmed);
    ASSERT_EQ(group.classes.size(), 1u);
    EXPECT_EQ(group.distinctFiles(0), 2);
    EXPECT_EQ(group.reclaimableBytes(), 19u);
    EXPECT_TRUE(group.linkSets.empty());
}

TEST_F(ContentCheckTest, EmptyFilesAreCopiesWithoutBeingOpened) {
    const std::string mask = addFile("a", "");
    addFile("b", "");
    ContentChecker::Counters counters;
    EXPECT_EQ(check(mask, &counters).state, GroupState::Confirmed);
    EXPECT_EQ(counters.filesOpened, 0u);
}

TEST_F(ContentCheckTest, SecondCheckIsAnsweredByTheCacheWithoutOpeningAFile) {
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 'c'));
    addFile("b.bin", bytesOf(kLarge, 'c'));
    std::string other = bytesOf(kLarge, 'c');
    other[5000] ^= 2;
    addFile("c.bin", other);
    ContentChecker::Counters first;
    const GroupCheck before = check(mask, &first);
    EXPECT_EQ(before.state, GroupState::Partly);
    EXPECT_EQ(first.filesOpened, 5u);  // three for their ends, the two copies whole
    EXPECT_EQ(rowCount("CONTENT_HASH"), 3u);
    ContentChecker::Counters second;
    const GroupCheck after = check(mask, &second);
    EXPECT_EQ(second.filesOpened, 0u);
    EXPECT_EQ(second.bytesRead, 0u);
    EXPECT_EQ(after.state, GroupState::Partly);
    EXPECT_EQ(classOf(after), classOf(before));
}

TEST_F(ContentCheckTest, GroupNotLoadedByTheCheckerIsAnsweredByLookingItsRowsUp) {
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 'l'));
    addFile("b.bin", bytesOf(kLarge, 'l'));
    std::string other = bytesOf(kLarge, 'l');
    other[kLarge / 2] ^= 1;
    addFile("c.bin", other);
    const std::string unrelated = addFile("x.txt", "another group", "07");
    addFile("y.txt", "another group", "07");
    const GroupCheck loaded = check(mask);
    ASSERT_EQ(loaded.state, GroupState::Partly);
    // A checker that loaded another group only: the rows of this one are
    // looked up one by one, with the same answer and no file read.
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    std::vector<GroupCheck> groups;
    ASSERT_TRUE(checker.loadGroups({unrelated}, groups));
    GroupCheck group;
    group.mask = mask;
    group.length = kLarge;
    group.files = loaded.files;
    const std::atomic<bool> stop{false};
    checker.check(group, stop);
    EXPECT_EQ(group.state, GroupState::Partly);
    EXPECT_EQ(classOf(group), classOf(loaded));
    EXPECT_EQ(checker.counters().filesOpened, 0u);
}

TEST_F(ContentCheckTest, CacheRowHoldsTheRowTimeMaskLengthAndHash) {
    const std::string mask = addFile("a.bin", "cached content");
    addFile("b.bin", "cached content");
    (void)check(mask);
    const auto rows = selectRows("SELECT FTIME, MASK, LENGTH, HASH FROM CONTENT_HASH");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at(1), mask);
    EXPECT_EQ(rows[0].at(2), "14");
    EXPECT_EQ(rows[0].at(3).size(), 32u);
    EXPECT_EQ(rows[0].at(3), rows[1].at(3));
    EXPECT_EQ(rows[0].at(3).find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(ContentCheckTest, FileRewrittenAndRescannedIsReadAgain) {
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 'r'));
    addFile("b.bin", bytesOf(kLarge, 'r'));
    EXPECT_EQ(check(mask).state, GroupState::Confirmed);
    // Same length and samples, other bytes, a new time; the rescan updates
    // the row's FTIME (the MASK stays, since the samples did not change).
    std::string rewritten = bytesOf(kLarge, 'r');
    rewritten[kLarge / 3] ^= 4;
    tree_.writeFile("b.bin", rewritten);
    tree_.setModificationTime("b.bin", 1700000000);
    executeSql("UPDATE FILEINFO_FIF SET FTIME = 1700000000 WHERE FNAME = 'b.bin'");
    ContentChecker::Counters counters;
    const GroupCheck group = check(mask, &counters);
    EXPECT_EQ(group.state, GroupState::Refuted);
    EXPECT_GE(counters.filesOpened, 1u);
}

TEST_F(ContentCheckTest, FileReplacedByAnotherOfTheSameLengthAndTimeIsReadAgain) {
    tree_.writeFile("a.bin", bytesOf(kLarge, 'm'));
    tree_.writeFile("b.bin", bytesOf(kLarge, 'm'));
    tree_.setModificationTime("a.bin", 1700000000);
    tree_.setModificationTime("b.bin", 1700000000);
    const std::string mask = addRow("a.bin", "AB", kLarge);
    addRow("b.bin", "AB", kLarge);
    EXPECT_EQ(check(mask).state, GroupState::Confirmed);
    // Saved the way editors save: a new file renamed over the old one, its
    // time set back. The row cannot tell (same FTIME, same MASK).
    std::string other = bytesOf(kLarge, 'm');
    other[kLarge / 2] ^= 8;
    tree_.writeFile("b.new", other);
    tree_.setModificationTime("b.new", 1700000000);
    ASSERT_EQ(std::rename(tree_.native("b.new").c_str(), tree_.native("b.bin").c_str()), 0);
    ContentChecker::Counters counters;
    EXPECT_EQ(check(mask, &counters).state, GroupState::Refuted);
    EXPECT_GE(counters.filesOpened, 1u);
}

TEST_F(ContentCheckTest, CacheRowsOfAnEarlierLayoutAreReadAgainOnce) {
    std::string other = bytesOf(kLarge, 'e');
    other[kLarge / 2] ^= 1;
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 'e'));
    addFile("b.bin", other);
    // The table as earlier versions made it, claiming both files hold one
    // content: rows that match the file rows' FTIME, MASK and length.
    executeSql(
        "CREATE TABLE CONTENT_HASH (FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT NULL,FTIME "
        "INTEGER NOT NULL,MASK CHAR(80) NOT NULL,LENGTH INTEGER NOT NULL,HASH CHAR(32) NOT "
        "NULL,ENDS CHAR(32) NOT NULL,PRIMARY KEY (FOLDERID,FNAME)) WITHOUT ROWID");
    executeSql("INSERT INTO CONTENT_HASH SELECT FOLDERID, FNAME, FTIME, MASK, " +
               std::to_string(kLarge) + ", '" + std::string(32, 'e') + "', '" +
               std::string(32, 'f') + "' FROM FILEINFO_FIF");
    ContentChecker::Counters first;
    EXPECT_EQ(check(mask, &first).state, GroupState::Refuted);
    EXPECT_EQ(first.filesOpened, 4u);  // both files' ends, then both whole
    // The table has its new columns; the rows written now are trusted.
    const auto rows = selectRows(
        "SELECT COUNT(*) FROM CONTENT_HASH WHERE DEVICE IS NOT NULL AND FILENUMBER IS NOT NULL "
        "AND MTIME_NS IS NOT NULL AND CTIME_NS IS NOT NULL AND HASH <> '" +
        std::string(32, 'e') + "'");
    EXPECT_EQ(rows.at(0).at(0), "2");
    ContentChecker::Counters second;
    EXPECT_EQ(check(mask, &second).state, GroupState::Refuted);
    EXPECT_EQ(second.filesOpened, 0u);
}

TEST_F(ContentCheckTest, PruningRunsOnlyWhenTheFileRowsChanged) {
    const std::string mask = addFile("a.txt", "pruned when due");
    addFile("b.txt", "pruned when due");
    addFile("c.txt", "pruned when due");
    (void)check(mask);
    const auto openChecker = [] {
        auto checker = std::make_unique<ContentChecker>(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(checker->open()) << checker->errorText();
        EXPECT_EQ(checker->pruneError(), "");
        return checker;
    };
    EXPECT_FALSE(openChecker()->pruned());  // the check's own open pruned already
    // A new time alone leaves the rows as they were: nothing to prune.
    executeSql("UPDATE FILEINFO_FIF SET FTIME = FTIME + 1 WHERE FNAME = 'a.txt'");
    EXPECT_FALSE(openChecker()->pruned());
    executeSql("DELETE FROM FILEINFO_FIF WHERE FNAME = 'c.txt'");
    EXPECT_TRUE(openChecker()->pruned());
    EXPECT_EQ(rowCount("CONTENT_HASH"), 2u);
    EXPECT_FALSE(openChecker()->pruned());
}

TEST_F(ContentCheckTest, PruningThatMeetsALockIsSkippedAndTheCheckGoesOn) {
    const std::string mask = addFile("a.txt", "checked all the same");
    addFile("b.txt", "checked all the same");
    addFile("c.txt", "checked all the same");
    (void)check(mask);
    executeSql("DELETE FROM FILEINFO_FIF WHERE FNAME = 'c.txt'");
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.execute("BEGIN IMMEDIATE"));  // another program writes, for long
    {
        ContentChecker checker(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(checker.open()) << checker.errorText();
        EXPECT_FALSE(checker.pruned());
        EXPECT_NE(checker.pruneError(), "");
        std::vector<GroupCheck> groups;
        ASSERT_TRUE(checker.loadGroups({mask}, groups)) << checker.errorText();
        const std::atomic<bool> stop{false};
        checker.check(groups.at(0), stop);
        EXPECT_EQ(groups[0].state, GroupState::Confirmed);
        ASSERT_TRUE(holder.execute("ROLLBACK"));
    }
    EXPECT_EQ(rowCount("CONTENT_HASH"), 3u);  // left for the next open
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    EXPECT_TRUE(checker.pruned());
    EXPECT_EQ(rowCount("CONTENT_HASH"), 2u);
}

TEST_F(ContentCheckTest, InterruptedCheckerOpensNothing) {
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    checker.interrupt();
    EXPECT_FALSE(checker.open());
    EXPECT_EQ(checker.errorText(), "stopped");
}

TEST_F(ContentCheckTest, FileWhoseLengthChangedIsReportedChangedUntilTheNextAnalysis) {
    const std::string mask = addFile("a.txt", "twelve bytes");
    addFile("b.txt", "twelve bytes");
    addFile("c.txt", "twelve bytes");
    tree_.writeFile("c.txt", "now it is longer");
    std::int64_t mtime = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("c.txt"), mtime));
    // Even with the row's time kept, the length tells.
    executeSql("UPDATE FILEINFO_FIF SET FTIME = " + std::to_string(mtime) +
               " WHERE FNAME = 'c.txt'");
    const GroupCheck group = check(mask);
    const CheckedFile* changed = fileNamed(group, "c.txt");
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->status, CheckedFile::Status::Changed);
    EXPECT_EQ(changed->contentClass, -1);
    // Two readable copies and nothing readable outside them: still open.
    EXPECT_EQ(group.state, GroupState::Unknown);
    EXPECT_EQ(group.reclaimableBytes(), 12u);
}

TEST_F(ContentCheckTest, FileGoneSinceTheAnalysisIsChanged) {
    const std::string mask = addFile("a.txt", "gone soon");
    addFile("b.txt", "gone soon");
    std::remove(tree_.native("b.txt").c_str());
    const GroupCheck group = check(mask);
    EXPECT_EQ(fileNamed(group, "b.txt")->status, CheckedFile::Status::Changed);
    EXPECT_EQ(group.state, GroupState::Unknown);
}

TEST_F(ContentCheckTest, CacheIsPrunedOfVanishedFilesAndHoldsOneRowPerFile) {
    const std::string mask = addFile("a.txt", "prune me");
    addFile("b.txt", "prune me");
    addFile("c.txt", "prune me");
    (void)check(mask);
    ASSERT_EQ(rowCount("CONTENT_HASH"), 3u);
    executeSql("DELETE FROM FILEINFO_FIF WHERE FNAME = 'a.txt'");
    {
        ContentChecker checker(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(checker.open());
    }
    auto rows = selectRows("SELECT FNAME FROM CONTENT_HASH ORDER BY FNAME");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at(0), "b.txt");
    // A file touched and rescanned: its row is replaced, not added to.
    tree_.setModificationTime("b.txt", 1700000000);
    executeSql("UPDATE FILEINFO_FIF SET FTIME = 1700000000 WHERE FNAME = 'b.txt'");
    ContentChecker::Counters counters;
    EXPECT_EQ(check(mask, &counters).state, GroupState::Confirmed);
    EXPECT_EQ(counters.filesOpened, 1u);
    rows = selectRows("SELECT FNAME, FTIME FROM CONTENT_HASH ORDER BY FNAME");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at(1), "1700000000");
}

TEST_F(ContentCheckTest, ForgetDropsTheCacheRowOfOneFile) {
    const std::string mask = addFile("a.txt", "forget me");
    addFile("b.txt", "forget me");
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    std::vector<GroupCheck> groups;
    ASSERT_TRUE(checker.loadGroups({mask}, groups));
    const std::atomic<bool> stop{false};
    checker.check(groups.at(0), stop);
    ASSERT_TRUE(checker.forget(groups[0].files[0].folderId, "a.txt")) << checker.errorText();
    const auto rows = selectRows("SELECT FNAME FROM CONTENT_HASH");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), "b.txt");
}

TEST_F(ContentCheckTest, LoadGroupsKeepsTheOrderOfTheMasksAndTheirRows) {
    const std::string first = addFile("x/1.txt", "first group", "01");
    addFile("y/2.txt", "first group", "01");
    const std::string second = addFile("x/3.txt", "second", "02");
    addFile("x/4.txt", "second", "02");
    addFile("x/5.txt", "second", "02");
    addFile("x/alone.txt", "not asked for", "03");
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    std::vector<GroupCheck> groups;
    ASSERT_TRUE(checker.loadGroups({second, first, maskOf(7, "99")}, groups));
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].mask, second);
    ASSERT_EQ(groups[0].files.size(), 3u);
    EXPECT_EQ(groups[0].files[0].name, "3.txt");
    EXPECT_EQ(groups[0].files[0].path(), folder("x") + "3.txt");
    EXPECT_EQ(groups[0].length, 6u);
    ASSERT_EQ(groups[1].files.size(), 2u);
    EXPECT_EQ(groups[1].files[1].folderPath, folder("y"));
    EXPECT_TRUE(groups[2].files.empty());
    for (const GroupCheck& group : groups) EXPECT_EQ(group.state, GroupState::Unchecked);
}

TEST_F(ContentCheckTest, StopBeforeTheFirstBlockLeavesTheGroupUnchecked) {
    const std::string mask = addFile("a.bin", bytesOf(kLarge, 's'));
    addFile("b.bin", bytesOf(kLarge, 's'));
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    std::vector<GroupCheck> groups;
    ASSERT_TRUE(checker.loadGroups({mask}, groups));
    const std::atomic<bool> stop{true};
    checker.check(groups.at(0), stop);
    EXPECT_EQ(groups[0].state, GroupState::Unchecked);
    EXPECT_TRUE(groups[0].classes.empty());
    EXPECT_EQ(rowCount("CONTENT_HASH"), 0u);
}

TEST(GroupCheckTest, StateNamesAreThoseTheConsoleRunnerPrints) {
    EXPECT_STREQ(groupStateName(GroupState::Confirmed), "confirmed");
    EXPECT_STREQ(groupStateName(GroupState::Partly), "partly");
    EXPECT_STREQ(groupStateName(GroupState::Refuted), "refuted");
    EXPECT_STREQ(groupStateName(GroupState::Unknown), "unknown");
    EXPECT_STREQ(groupStateName(GroupState::Unchecked), "unchecked");
}

TEST(GroupCheckTest, ClassesOfOtherLengthsCountTheirOwnLength) {
    GroupCheck group;
    group.length = 10;
    group.files.resize(4);
    group.classes = {{0, 1}, {2, 3}};
    group.classLengths = {10, 10 + (std::uint64_t(1) << 32)};
    EXPECT_EQ(group.reclaimableBytes(), 20 + (std::uint64_t(1) << 32));
}
