// SPDX-License-Identifier: MIT
// lanbrook-scan --list-folders and the folder sets of --json, run as a child
// process on a real tree.
#include <sys/wait.h>

#include <cstdio>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "RunnerSupport.h"
#include "TempTree.h"

using nlohmann::json;

class RunnerFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Two copies of a folder, a third with one file changed, and a
        // folder whose files all have copies elsewhere in another layout.
        for (const char* copy : {"drive/photos", "drive/backup/photos", "drive/near/photos"}) {
            const std::string at = copy;
            tree_.writeFile(at + "/2020/a.jpg", std::string(6000, 'a'));
            tree_.writeFile(at + "/2020/b.jpg", std::string(4000, 'b'));
            tree_.writeFile(at + "/list.txt", "the list");
        }
        tree_.writeFile("drive/near/photos/list.txt", "the list, edited");
        tree_.writeFile("drive/loose/a copy.jpg", std::string(6000, 'a'));
    }

    Outcome run(const std::string& arguments) {
        const std::string errFile = tree_.native("stderr.txt");
        const std::string command =
            "env -i PATH=/usr/bin:/bin LANBROOK_DRIVES=C:=" + tree_.native("drive") +
            " USERPROFILE=" + tree_.native("profile") + " '" + LANBROOK_SCAN_EXE + "' " +
            arguments + " 2>'" + errFile + "'";
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return outcome;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
        const int status = ::pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.err = readAll(errFile);
        return outcome;
    }

    TempTree tree_;
};

TEST_F(RunnerFoldersTest, ListFoldersPrintsTheOutermostSetThenRedundantFolders) {
    tree_.makeFolder("profile");
    const Outcome outcome = run("-q --verify --list-folders");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string drive = tree_.native("drive");
    // The 2020 folders match three times and free most; the photos and
    // their backup match as a whole (their 2020 folders are not listed
    // again); backup holds nothing but a copy, and so does loose.
    const std::string expected =
        "3 identical folders, 2 files, 10000 bytes each, 20000 bytes freed by keeping the "
        "first:\n" +
        drive + "/backup/photos/2020\n" + drive + "/near/photos/2020\n" + drive +
        "/photos/2020\n\n" +
        "2 identical folders, 3 files, 10008 bytes each, 10008 bytes freed by keeping the "
        "first:\n" +
        drive + "/backup/photos\n" + drive + "/photos\n\n" +
        "Redundant folder, 3 files, 10008 bytes, every file has a copy elsewhere:\n" + drive +
        "/backup\n  copies in " + drive + "/photos (10008 bytes)\n  copies in " + drive +
        "/near/photos/2020 (10000 bytes)\n  copies in " + drive + "/loose (6000 bytes)\n\n" +
        "Redundant folder, 1 files, 6000 bytes, every file has a copy elsewhere:\n" + drive +
        "/loose\n";
    EXPECT_EQ(outcome.out.substr(0, expected.size()), expected) << outcome.out;
}

TEST_F(RunnerFoldersTest, JsonHoldsFolderSetsOnlyAfterVerify) {
    tree_.makeFolder("profile");
    const Outcome plain = run("-q --json");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_FALSE(json::parse(plain.out).contains("folder_sets"));

    const Outcome verified = run("-q --verify --json");
    ASSERT_EQ(verified.exitCode, 0) << verified.err;
    const json summary = json::parse(verified.out);
    ASSERT_TRUE(summary.contains("sets"));
    const json& sets = summary.at("folder_sets");
    ASSERT_EQ(sets.size(), 2u) << sets.dump(1);
    EXPECT_EQ(sets[0].at("folders").size(), 3u);
    EXPECT_EQ(sets[0].at("freed"), 20000);
    ASSERT_EQ(sets[1].at("folders").size(), 2u);
    EXPECT_EQ(sets[1].at("folders")[1].at("path"), tree_.native("drive") + "/photos");
    EXPECT_EQ(sets[1].at("files"), 3);
    EXPECT_EQ(sets[1].at("bytes"), 10008);
    EXPECT_EQ(sets[1].at("freed"), 10008);
    const json& redundant = summary.at("redundant_folders");
    ASSERT_EQ(redundant.size(), 2u);
    EXPECT_EQ(redundant[1].at("path"), tree_.native("drive") + "/loose");
    EXPECT_EQ(redundant[1].at("bytes"), 6000);
    EXPECT_EQ(redundant[0].at("copies_in")[0].at("path"), tree_.native("drive") + "/photos");
}

TEST_F(RunnerFoldersTest, ListFoldersWithoutVerifyIsAUsageError) {
    tree_.makeFolder("profile");
    const Outcome outcome = run("-q --list-folders");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "--verify")) << outcome.err;
    EXPECT_TRUE(outcome.out.empty());
}
