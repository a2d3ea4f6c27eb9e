// SPDX-License-Identifier: MIT
// The console runner, run as a child process on trees of the test's making.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "RunnerSupport.h"
#include "TempTree.h"

class RunnerTest : public ::testing::Test {
protected:
    // Runs lanbrook-scan through the shell with `arguments` and only the
    // variables of `environment` (plus PATH); the values here are temporary
    // paths without blanks or quotes, so they need no quoting.
    Outcome run(const std::string& environment, const std::string& arguments) {
        const std::string errFile = tree_.native("stderr.txt");
        const std::string command = "env -i PATH=/usr/bin:/bin " + environment + " '" +
                                    LANBROOK_SCAN_EXE + "' " + arguments + " 2>'" + errFile + "'";
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

    // The sample tree mapped as drive C:, with the profile inside it.
    std::string sampleEnvironment() const {
        return "LANBROOK_DRIVES=C:=" + tree_.native("drive") +
               " USERPROFILE=" + tree_.native("drive/profile");
    }

    void makeSample() {
        const std::string photo(1000, 'p');
        tree_.writeFile("drive/photos/a.jpg", photo);
        tree_.writeFile("drive/backup/a copy.jpg", photo);
        tree_.writeFile("drive/backup/old/a.jpg", photo);
        tree_.writeFile("drive/notes.txt", "only once");
        tree_.writeFile("drive/empty1", "");
        tree_.writeFile("drive/backup/empty2", "");
        tree_.makeFolder("drive/profile");
    }

    TempTree tree_;
};

TEST_F(RunnerTest, HelpExplainsTheEnvironmentAndExitsWithZero) {
    const Outcome outcome = run("", "--help");
    EXPECT_EQ(outcome.exitCode, 0);
    for (const char* word : {"USERPROFILE", "HOME", "LANBROOK_DRIVES", "-q"})
        EXPECT_TRUE(contains(outcome.out, word)) << word;
}

TEST_F(RunnerTest, UnknownArgumentExitsWithTwoBeforeTouchingAnything) {
    makeSample();
    const Outcome outcome = run(sampleEnvironment(), "--bogus");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "--bogus")) << outcome.err;
    EXPECT_FALSE(std::ifstream(tree_.native("drive/profile/FileInfoData/FileInfo__.db")).good());
}

TEST_F(RunnerTest, NoProfileVariableExitsWithTwoAndSaysWhy) {
    makeSample();
    const Outcome outcome = run("LANBROOK_DRIVES=C:=" + tree_.native("drive"), "-q");
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "USERPROFILE")) << outcome.err;
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
}

TEST_F(RunnerTest, AProfileOutsideEveryDriveHoldsTheDatabaseAtItsNativePath) {
    makeSample();
    tree_.makeFolder("elsewhere");
    const Outcome outcome = run(
        "LANBROOK_DRIVES=C:=" + tree_.native("drive") + " USERPROFILE=" + tree_.native("elsewhere"),
        "-q");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, tree_.native("elsewhere/FileInfoData/FileInfo__.db")))
        << outcome.out;
    EXPECT_TRUE(std::ifstream(tree_.native("elsewhere/FileInfoData/FileInfo__.db")).good());
}

TEST_F(RunnerTest, RunOnASampleTreePrintsTheTotalsAndTheWastefulGroupWithItsFiles) {
    makeSample();
    const Outcome outcome = run(sampleEnvironment(), "-q");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string& out = outcome.out;
    EXPECT_TRUE(contains(out, "Files handled:    6\n")) << out;
    EXPECT_TRUE(contains(out, "Groups:           3\n")) << out;
    EXPECT_TRUE(contains(out, "Duplicate groups: 2\n")) << out;
    EXPECT_TRUE(contains(out, "Total bytes:      3009 ")) << out;
    EXPECT_TRUE(contains(out, "Duplicate bytes:  2000 ")) << out;
    for (const char* file :
         {"drive/photos/a.jpg", "drive/backup/a copy.jpg", "drive/backup/old/a.jpg"})
        EXPECT_TRUE(contains(out, "    " + tree_.native(file) + "\n")) << file << "\n" << out;
    EXPECT_FALSE(contains(out, tree_.native("drive/notes.txt"))) << out;
}

TEST_F(RunnerTest, QuietRunLeavesOutTheFolderLines) {
    makeSample();
    const Outcome outcome = run(sampleEnvironment(), "-q");
    EXPECT_FALSE(contains(outcome.out, "C:\\backup\\old\\\n")) << outcome.out;
}

TEST_F(RunnerTest, RunPrintsEveryFolderAsItIsEntered) {
    makeSample();
    const Outcome outcome = run(sampleEnvironment(), "");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    for (const char* folder : {"C:\\\n", "C:\\photos\\\n", "C:\\backup\\old\\\n"})
        EXPECT_TRUE(contains(outcome.out, folder)) << folder << outcome.out;
}

TEST_F(RunnerTest, RescanOfAnUnchangedTreeGivesTheSameSummary) {
    makeSample();
    const Outcome first = run(sampleEnvironment(), "-q");
    const Outcome second = run(sampleEnvironment(), "-q");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
}
