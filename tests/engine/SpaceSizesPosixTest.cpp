// SPDX-License-Identifier: MIT
// The space figures against du, on real trees with sparse, preallocated,
// hard-linked and empty files, and the scan's FILE_SPACE rows that carry what
// the file rows cannot.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <ctime>

#include "SpaceSupport.h"

namespace {

constexpr std::uint64_t kFiveGiB = std::uint64_t{5} << 30;

void makeSparse(const std::string& native, std::uint64_t length) {
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(::pwrite(fd, "tail", 4, off_t(length - 4)), 4);
    ::close(fd);
}

void link(const TempTree& tree, const std::string& from, const std::string& to) {
    ASSERT_EQ(::link(tree.native(from).c_str(), tree.native(to).c_str()), 0) << to;
}

}  // namespace

class SpaceSizesPosixTest : public SpaceTest {
protected:
    // A sparse 5 GiB file, a preallocated one, hard links inside a folder and
    // across folders, empty files and folders.
    void makeTree() {
        tree_.makeFolder("big");
        makeSparse(tree_.native("big/sparse.bin"), kFiveGiB);
        tree_.writeFile("big/small.txt", std::string(100, 's'));
        const int fd = ::open(tree_.native("big/prealloc.bin").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "abc", 3), 3);
        ASSERT_EQ(::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, 1 << 20), 0);
        ::close(fd);
        tree_.writeFile("a/one.bin", std::string(5000, '1'));
        link(tree_, "a/one.bin", "a/one again.bin");
        tree_.writeFile("b/two.bin", std::string(9000, '2'));
        link(tree_, "a/one.bin", "b/one.bin");
        tree_.writeFile("a/sub/x.txt", "ten bytes!");
        tree_.writeFile("a/empty", "");
        tree_.writeFile("b/deep/er/empty too", "");
        tree_.makeFolder("c/nothing");
    }

    void expectAsDu(const SpaceTree& space, const std::vector<std::string>& folders) {
        for (const std::string& relative : folders) {
            const SpaceTree::Figures shown = figures(space, relative);
            const std::string native = relative.empty() ? tree_.root() : tree_.native(relative);
            EXPECT_EQ(static_cast<long long>(shown.size), duOfFiles(native, "-b")) << relative;
            EXPECT_EQ(static_cast<long long>(shown.diskUsage), duOfFiles(native, "-B1"))
                << relative;
        }
    }
};

TEST_F(SpaceSizesPosixTest, SizesAndDiskUsageAreThoseOfDu) {
    makeTree();
    const SpaceTree space = analyseAndLoad();
    expectAsDu(space, {"", "big", "a", "a/sub", "b", "b/deep", "c", "c/nothing"});
    // The drive holds the tree alone: its figures are the tree's.
    const SpaceTree::Row drive = space.row(space.find("C:\\"));
    EXPECT_EQ(drive.kind, SpaceTree::Kind::Drive);
    EXPECT_EQ(drive.figures.size, figures(space, "").size);
    EXPECT_EQ(drive.figures.diskUsage, figures(space, "").diskUsage);
    // Names count as files, each link too.
    EXPECT_EQ(figures(space, "").files, 10u);
    EXPECT_GE(figures(space, "big").size, kFiveGiB);
}

TEST_F(SpaceSizesPosixTest, OnlyWhatTheMaskCannotSayHasARow) {
    makeTree();
    analyse();
    std::map<std::string, std::string> rows;
    for (const auto& row : selectRows("SELECT F.FNAME, S.FNAME, S.LENGTH, S.LINKS FROM FILE_SPACE "
                                      "S, FILEINFO_DIF F WHERE F.ID = S.FOLDERID"))
        rows[row.at(0).substr(folder().size()) + row.at(1)] = row.at(2) + "/" + row.at(3);
    const std::map<std::string, std::string> expected{
        {"big\\sparse.bin", std::to_string(kFiveGiB) + "/1"},
        {"big\\prealloc.bin", "3/1"},
        {"a\\one.bin", "5000/3"},
        {"a\\one again.bin", "5000/3"},
        {"b\\one.bin", "5000/3"}};
    EXPECT_EQ(rows, expected);
}

// The second scan reads unchanged files' status only, modified ones whole:
// both keep the rows in step (a link that went, a sparse file replaced).
TEST_F(SpaceSizesPosixTest, ARescanKeepsTheRowsInStep) {
    makeTree();
    analyse();
    ASSERT_EQ(::unlink(tree_.native("b/one.bin").c_str()), 0);
    ASSERT_EQ(::unlink(tree_.native("a/one again.bin").c_str()), 0);
    tree_.setModificationTime("a", std::time(nullptr) + 5);
    tree_.setModificationTime("b", std::time(nullptr) + 5);
    tree_.writeFile("big/sparse.bin", std::string(7000, 'n'));
    tree_.setModificationTime("big/sparse.bin", std::time(nullptr) + 5);
    const SpaceTree space = analyseAndLoad();
    expectAsDu(space, {"", "big", "a", "b"});
    EXPECT_EQ(selectRows("SELECT S.FNAME FROM FILE_SPACE S JOIN FILEINFO_FIF F ON F.FOLDERID = "
                         "S.FOLDERID AND F.FNAME = S.FNAME ORDER BY S.FNAME"),
              (std::vector<CSqliteDB::Row>{{"prealloc.bin"}}));
}

TEST_F(SpaceSizesPosixTest, TheLargestFilesAndCategoriesCountLinksOnce) {
    makeTree();
    const SpaceTree space = analyseAndLoad();
    const auto largest = space.largestFiles(space.find(folder()), 3);
    ASSERT_EQ(largest.size(), 3u);
    EXPECT_EQ(largest[0].path, folder("big") + "sparse.bin");
    EXPECT_EQ(largest[0].size, kFiveGiB);
    EXPECT_LT(largest[0].diskUsage, std::uint64_t{1} << 20);
    EXPECT_EQ(largest[1].size, 9000u);
    EXPECT_EQ(largest[2].size, 5000u);  // one name of the linked file, not three
    const SpaceTree::CategoryBytes bytes = space.categoryBytes(space.find(folder()));
    EXPECT_EQ(bytes[0], figures(space, "").size);
    EXPECT_EQ(bytes[7], 110u);  // text: small.txt and x.txt
    EXPECT_EQ(bytes[4], kFiveGiB + 3 + 5000 + 9000);
}

// The drive's used space less what was scanned on it; never below 0, even
// when the stored figures claim more than the drive holds.
TEST_F(SpaceSizesPosixTest, TheUnscannedRemainderIsNeverNegative) {
    tree_.writeFile("a/file.bin", std::string(8192, 'f'));
    SpaceTree space = analyseAndLoad(false);
    const auto rows = space.children(space.find("C:\\"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.back().kind, SpaceTree::Kind::Unscanned);
    EXPECT_EQ(rows.back().name, "未扫描");
    struct statvfs status {};
    ASSERT_EQ(::statvfs(tree_.root().c_str(), &status), 0);
    const std::uint64_t used = (status.f_blocks - status.f_bfree) * status.f_frsize;
    // Others write to the disk meanwhile: within 256 MiB of it.
    EXPECT_NEAR(double(rows.back().figures.diskUsage), double(used - 8192), double(256 << 20));

    executeSql(
        "INSERT OR REPLACE INTO FILE_SPACE SELECT FOLDERID, FNAME, 8192, 4611686018427387904, 1, "
        "0, 0 "
        "FROM FILEINFO_FIF");
    space = load(false);
    const auto claimed = space.children(space.find("C:\\"));
    EXPECT_EQ(claimed.front().figures.diskUsage, std::uint64_t{1} << 62);
    EXPECT_EQ(claimed.back().figures.diskUsage, 0u);
}
