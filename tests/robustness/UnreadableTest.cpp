// SPDX-License-Identifier: MIT
// A folder and a file that the scanning user may not read. The run goes
// through without privileges (as user 65534 when the tests run as root, who
// may read everything), so the permissions are enforced.
#include <sys/stat.h>

#include <algorithm>

#include "RunFixture.h"

class UnreadableTest : public RunFixture {
protected:
    void SetUp() override {
        drive_.writeFile("data/readable.txt", "readable");
        drive_.writeFile("data/secret.txt", "no one may read this");
        drive_.writeFile("data/closed/inside.txt", "behind a closed folder");
        drive_.writeFile("data/closed/below/deeper.txt", "further behind");
        drive_.writeFile("data/later/after.txt", "after the closed folder");
        drive_.giveToNobody();
        ASSERT_EQ(::chmod(drive_.native("data/secret.txt").c_str(), 0), 0);
        ASSERT_EQ(::chmod(drive_.native("data/closed").c_str(), 0), 0);
    }

    ScanResult unprivilegedScan() {
        ScanProcess::Options options = drive_.options();
        options.unprivileged = true;
        return runScan(options);
    }

    static bool hasFile(const DatabaseImage& image, const std::string& path) {
        return std::any_of(image.files.begin(), image.files.end(), [&](const std::string& row) {
            return row.compare(0, path.size() + 1, path + "|") == 0;
        });
    }
    static bool hasFolder(const DatabaseImage& image, const std::string& path) {
        return std::any_of(image.folders.begin(), image.folders.end(), [&](const std::string& row) {
            return row.compare(0, path.size() + 1, path + "|") == 0;
        });
    }
};

TEST_F(UnreadableTest, RunEndsNormally) {
    const ScanResult run = unprivilegedScan();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(contains(run.out, "Files handled:    3")) << run.out;
}

TEST_F(UnreadableTest, UnreadableFileIsLeftOutAndItsNeighboursStored) {
    ASSERT_EQ(unprivilegedScan().status, 0);
    const DatabaseImage image = currentImage();
    EXPECT_FALSE(hasFile(image, "C:\\data\\secret.txt"));
    EXPECT_TRUE(hasFile(image, "C:\\data\\readable.txt"));
}

TEST_F(UnreadableTest, UnreadableFolderIsNotWrittenNorAnythingBelowIt) {
    ASSERT_EQ(unprivilegedScan().status, 0);
    const DatabaseImage image = currentImage();
    EXPECT_FALSE(hasFolder(image, "C:\\data\\closed\\"));
    EXPECT_FALSE(hasFolder(image, "C:\\data\\closed\\below\\"));
    EXPECT_TRUE(hasFile(image, "C:\\data\\later\\after.txt"));
}

TEST_F(UnreadableTest, FolderThatBecomesUnreadableKeepsItsRows) {
    ASSERT_EQ(::chmod(drive_.native("data/closed").c_str(), 0755), 0);
    ASSERT_EQ(unprivilegedScan().status, 0);
    ASSERT_TRUE(hasFile(currentImage(), "C:\\data\\closed\\inside.txt"));
    ASSERT_EQ(::chmod(drive_.native("data/closed").c_str(), 0), 0);
    ASSERT_EQ(unprivilegedScan().status, 0);
    const DatabaseImage image = currentImage();
    EXPECT_TRUE(hasFile(image, "C:\\data\\closed\\inside.txt"));
    EXPECT_TRUE(hasFile(image, "C:\\data\\closed\\below\\deeper.txt"));
}
