// SPDX-License-Identifier: MIT
// A copy that the scanning user may no longer read when its content is
// checked. The runs go without privileges (as user 65534 when the tests run
// as root), so the permissions are enforced.
#include <sys/stat.h>

#include "RunFixture.h"

class UnreadableCopyTest : public RunFixture {
protected:
    void SetUp() override {
        drive_.writeFile("data/a.txt", "three copies, one closed later");
        drive_.writeFile("data/b.txt", "three copies, one closed later");
        drive_.writeFile("data/c.txt", "three copies, one closed later");
        drive_.giveToNobody();
    }

    ScanResult unprivilegedScan(const std::vector<std::string>& arguments) {
        ScanProcess::Options options = drive_.options();
        options.arguments = arguments;
        options.unprivileged = true;
        return runScan(options);
    }
};

TEST_F(UnreadableCopyTest, UnreadableCopyLeavesItsPairUnknown) {
    drive_.writeFile("pair/x.txt", "a pair, one closed later");
    drive_.writeFile("pair/y.txt", "a pair, one closed later");
    drive_.giveToNobody();
    ASSERT_EQ(unprivilegedScan({"-q"}).status, 0);
    // Closed after the analysis: the file row stays, the time is unchanged.
    ASSERT_EQ(::chmod(drive_.native("pair/y.txt").c_str(), 0), 0);
    const ScanResult run = unprivilegedScan({"-q", "--verify"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Groups unknown:   1\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "Groups confirmed: 1\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "    unreadable:\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "Permission denied")) << run.out;
}

TEST_F(UnreadableCopyTest, UnreadableThirdCopyNeverMakesTheGroupConfirmed) {
    ASSERT_EQ(unprivilegedScan({"-q"}).status, 0);
    ASSERT_EQ(::chmod(drive_.native("data/c.txt").c_str(), 0), 0);
    const ScanResult run = unprivilegedScan({"-q", "--verify"});
    EXPECT_EQ(run.status, 0) << run.err;
    // Two readable copies, nothing readable outside them: open, not confirmed.
    EXPECT_TRUE(contains(run.out, "Groups confirmed: 0\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "Groups unknown:   1\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "Verified duplicate bytes: 30 ")) << run.out;
}
