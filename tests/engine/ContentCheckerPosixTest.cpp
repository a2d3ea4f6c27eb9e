// SPDX-License-Identifier: MIT
// The content check where POSIX file systems are needed: hard links, sparse
// files of several GiB, names no other system allows, symbolic links.
#include <fcntl.h>
#include <unistd.h>

#include "ContentCheckSupport.h"
#include "engine/ContentReader.h"
#include "util/platform/ContentFile.h"

namespace {

constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;

// Makes `path` a sparse file of `length` bytes holding `marker` at `at`
// (when `at` < length); false when the file system refuses.
bool makeSparse(const std::string& path, std::uint64_t length, std::uint64_t at, char marker) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
    if (ok && at < length) ok = ::pwrite(fd, &marker, 1, static_cast<off_t>(at)) == 1;
    ::close(fd);
    return ok;
}

}  // namespace

class ContentCheckPosixTest : public ContentCheckTest {
protected:
    std::string addSparse(const std::string& relative, std::uint64_t length, std::uint64_t at,
                          char marker) {
        if (!makeSparse(tree_.native(relative), length, at, marker)) return "";
        return addRow(relative, "5A", length);
    }
};

TEST_F(ContentCheckPosixTest, HardLinkedPairIsOneFileAndWastesNothing) {
    const std::string mask = addFile("a.txt", "one file, two names");
    ASSERT_EQ(::link(tree_.native("a.txt").c_str(), tree_.native("b.txt").c_str()), 0);
    addRow("b.txt", "AB", 19);
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.linkSets.size(), 1u);
    EXPECT_EQ(group.linkSets[0], (std::vector<int>{0, 1}));
    EXPECT_EQ(group.files[0].linkSet, 0);
    EXPECT_EQ(group.files[1].linkSet, 0);
    ASSERT_EQ(group.classes.size(), 1u);
    EXPECT_EQ(group.distinctFiles(0), 1);
    EXPECT_EQ(group.reclaimableBytes(), 0u);
    EXPECT_EQ(group.state, GroupState::Refuted);
}

TEST_F(ContentCheckPosixTest, LinksBesideARealCopyCountOnce) {
    const std::string mask = addFile("a.txt", "one file, two names");
    ASSERT_EQ(::link(tree_.native("a.txt").c_str(), tree_.native("b.txt").c_str()), 0);
    addRow("b.txt", "AB", 19);
    addFile("copy.txt", "one file, two names");
    ContentChecker::Counters counters;
    const GroupCheck group = check(mask, &counters);
    EXPECT_EQ(group.state, GroupState::Confirmed);
    ASSERT_EQ(group.classes.size(), 1u);
    EXPECT_EQ(group.distinctFiles(0), 2);
    EXPECT_EQ(group.reclaimableBytes(), 19u);
    EXPECT_EQ(counters.filesOpened, 2u);  // the linked file is read once
    EXPECT_EQ(rowCount("CONTENT_HASH"), 3u);
}

TEST_F(ContentCheckPosixTest, SparseFilesDifferingOnlyPastFourGiBAreRefuted) {
    const std::string mask = addSparse("a.img", 5 * kGiB, 5 * kGiB, 0);
    if (mask.empty()) GTEST_SKIP() << "the file system refuses sparse files of 5 GiB";
    ASSERT_EQ(addSparse("b.img", 5 * kGiB, 4 * kGiB + 12345, 'x'), mask);
    ContentChecker::Counters counters;
    const GroupCheck group = check(mask, &counters);
    EXPECT_EQ(group.state, GroupState::Refuted);
    EXPECT_EQ(group.length, 5 * kGiB);
    EXPECT_EQ(counters.bytesRead, 10 * kGiB + 4 * ContentReader::kEndBlock);
}

TEST_F(ContentCheckPosixTest, StopEndsTheReadOfALargeFileBetweenTwoBlocks) {
    const std::string mask = addSparse("a.img", 2 * kGiB, 2 * kGiB, 0);
    if (mask.empty()) GTEST_SKIP() << "the file system refuses sparse files of 2 GiB";
    ASSERT_FALSE(addSparse("b.img", 2 * kGiB, 2 * kGiB, 0).empty());
    ContentChecker checker(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(checker.open());
    std::vector<GroupCheck> groups;
    ASSERT_TRUE(checker.loadGroups({mask}, groups));
    std::atomic<bool> stop{false};
    int blocks = 0;
    checker.setBlockListener([&](std::uint64_t) {
        if (++blocks == 3) stop = true;  // as another thread would, mid-read
    });
    checker.check(groups.at(0), stop);
    EXPECT_EQ(groups[0].state, GroupState::Unchecked);
    EXPECT_TRUE(groups[0].classes.empty());
    EXPECT_EQ(blocks, 3);
    EXPECT_LT(checker.counters().bytesRead, 4 * ContentReader::kWholeBlock);
}

TEST_F(ContentCheckPosixTest, OddNamesAreReadByTheirStoredNames) {
    const std::string bytes = "content under odd names";
    const std::string mask = addFile("it's \"quoted\".txt", bytes);
    addFile("new\nline.txt", bytes);
    addFile(std::string("latin1 \xE9t\xE9.txt"), bytes);
    addFile("odd dir 'x'/\xFF\xFE.bin", bytes);
    const GroupCheck group = check(mask);
    EXPECT_EQ(group.state, GroupState::Confirmed);
    ASSERT_EQ(group.files.size(), 4u);
    for (const CheckedFile& file : group.files)
        EXPECT_EQ(file.status, CheckedFile::Status::Checked) << file.name << ": " << file.reason;
}

TEST_F(ContentCheckPosixTest, NameTurnedIntoASymbolicLinkIsNotFollowed) {
    const std::string mask = addFile("a.txt", "linked to");
    addFile("b.txt", "linked to");
    ASSERT_EQ(::unlink(tree_.native("b.txt").c_str()), 0);
    ASSERT_EQ(::symlink(tree_.native("a.txt").c_str(), tree_.native("b.txt").c_str()), 0);
    const GroupCheck group = check(mask);
    EXPECT_EQ(fileNamed(group, "b.txt")->status, CheckedFile::Status::Changed);
    EXPECT_EQ(group.state, GroupState::Unknown);
}

TEST_F(ContentCheckPosixTest, ReaderRefusesLinksAndFifosAndGivesTheIdentity) {
    tree_.writeFile("file", "x");
    ASSERT_EQ(::symlink(tree_.native("file").c_str(), tree_.native("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(tree_.native("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::link(tree_.native("file").c_str(), tree_.native("hard").c_str()), 0);
    platform::ContentFile link;
    EXPECT_FALSE(link.open(tree_.drivePath("link")));
    EXPECT_FALSE(link.error().reason.empty());
    platform::ContentFile fifo;
    EXPECT_FALSE(fifo.open(tree_.drivePath("fifo")));  // and does not block
    platform::ContentFile file;
    ASSERT_TRUE(file.open(tree_.drivePath("file")));
    platform::FileStatus hard;
    platform::FileError error;
    ASSERT_TRUE(platform::fileStatus(tree_.drivePath("hard"), hard, error));
    EXPECT_EQ(hard.identity, file.status().identity);
    platform::FileStatus missing;
    EXPECT_FALSE(platform::fileStatus(tree_.drivePath("none"), missing, error));
    EXPECT_TRUE(error.missing);
}
