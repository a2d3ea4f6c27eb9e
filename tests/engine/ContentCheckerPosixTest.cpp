// SPDX-License-Identifier: MIT
// The content check where POSIX file systems are needed: hard links, sparse
// files of several GiB, names no other system allows, symbolic links.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <unordered_set>

#include "ContentCheckSupport.h"
#include "engine/ContentReader.h"
#include "engine/cli/VerifyRun.h"
#include "util/FileUtility.h"
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

// Bytes of a size as FileUtility::formatSize writes it ("4.00 G", "512 B").
double bytesOfText(const std::string& text) {
    std::istringstream in(text);
    double value = 0;
    std::string unit;
    in >> value >> unit;
    const double scale = unit == "G" ? 1 << 30 : unit == "M" ? 1 << 20 : unit == "K" ? 1 << 10 : 1;
    return value * scale;
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

TEST_F(ContentCheckPosixTest, FileRewrittenInPlaceWithItsTimeRestoredIsReadAgain) {
    const std::string mask = addFile("a.txt", "written once, kept twice");
    addFile("b.txt", "written once, kept twice");
    ContentChecker::Counters first;
    EXPECT_EQ(check(mask, &first).state, GroupState::Confirmed);
    // What cp -p or rsync --inplace -t do: other bytes of the same length
    // written into the same file, its modification time put back to the
    // nanosecond. Only the change time moves.
    struct stat before {};
    ASSERT_EQ(::stat(tree_.native("b.txt").c_str(), &before), 0);
    tree_.writeFile("b.txt", "written twice, kept once");
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree_.native("b.txt").c_str(), times, 0), 0);
    ContentChecker::Counters second;
    const GroupCheck group = check(mask, &second);
    EXPECT_EQ(group.state, GroupState::Refuted);
    EXPECT_EQ(second.filesOpened, 1u);  // b alone: a.txt is still the file it was
    // Checked again, nothing has changed since: the cache answers.
    ContentChecker::Counters third;
    EXPECT_EQ(check(mask, &third).state, GroupState::Refuted);
    EXPECT_EQ(third.filesOpened, 0u);
}

TEST_F(ContentCheckPosixTest, VerifyProgressCountsTheWholeLengthOfFilesOfFourGiBAndMore) {
    // Two files of 4 GiB + 1 MiB whose first bytes differ: their ends tell
    // them apart, nothing is read whole. The MASK's size field says 1 MiB.
    const std::uint64_t length = 4 * kGiB + (1 << 20);
    const std::string mask = addSparse("a.img", length, 10, 'a');
    if (mask.empty()) GTEST_SKIP() << "the file system refuses sparse files of 4 GiB";
    ASSERT_EQ(addSparse("b.img", length, 10, 'b'), mask);
    const std::string small = addFile("c.txt", "small pair", "01");
    addFile("d.txt", "small pair", "01");
    std::FILE* progress = std::tmpfile();
    ASSERT_NE(progress, nullptr);
    VerifyRun verify;
    std::string error;
    ASSERT_TRUE(
        verify.run(ConfigInfo::global().getDatabasePath(), {mask, small}, {}, progress, error))
        << error;
    std::string output(static_cast<std::size_t>(std::ftell(progress)), '\0');
    std::rewind(progress);
    output.resize(std::fread(&output[0], 1, output.size(), progress));
    std::fclose(progress);
    EXPECT_EQ(verify.refuted, 1u);
    EXPECT_EQ(verify.confirmed, 1u);

    // Every line: "\rChecking content: F of N files, DONE of TOTAL\033[K".
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line, '\r')) {
        const auto files = line.find(" files, ");
        const auto of = line.find(" of ", files == std::string::npos ? 0 : files);
        const auto end = line.find('\033');
        if (files == std::string::npos || of == std::string::npos || end == std::string::npos)
            continue;
        lines.emplace_back(line.substr(files + 8, of - files - 8),
                           line.substr(of + 4, end - of - 4));
    }
    ASSERT_GE(lines.size(), 2u) << output;
    for (const auto& [done, total] : lines)
        EXPECT_LE(bytesOfText(done), bytesOfText(total)) << done << " of " << total;
    char whole[32];
    EXPECT_EQ(lines.back().second, FileUtility::formatSize(whole, 2 * length + 20));
    EXPECT_EQ(lines.back().first, lines.back().second);
    std::remove(tree_.native("a.img").c_str());
    std::remove(tree_.native("b.img").c_str());
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
