// SPDX-License-Identifier: MIT
// lanbrook-scan --du and the "folders" of --json, run as a child process on
// a real tree, against du run on the same tree.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "RunnerSupport.h"
#include "TempTree.h"

using nlohmann::json;

namespace {

// What a shell command prints.
std::string output(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    (void)::pclose(pipe);
    return text;
}

// du of the files below `native` (folders' own blocks aside), links once.
unsigned long long duOfFiles(const std::string& native, const char* unit) {
    return std::stoull(output("find '" + native + "' -type f -print0 | du -c " + unit +
                              " --files0-from=- | tail -n 1"));
}

}  // namespace

class RunnerSpaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.makeFolder("profile");
        tree_.writeFile("drive/big/movie.mkv", std::string(300000, 'm'));
        tree_.writeFile("drive/big/notes.txt", std::string(100, 'n'));
        tree_.writeFile("drive/copies/movie.mkv", std::string(300000, 'm'));
        tree_.writeFile("drive/small/a.txt", "a");
        tree_.writeFile("drive/small/deep/b.txt", std::string(5000, 'b'));
        ASSERT_EQ(::link(tree_.native("drive/small/deep/b.txt").c_str(),
                         tree_.native("drive/big/b link.txt").c_str()),
                  0);
    }

    Outcome run(const std::string& arguments) {
        const std::string errFile = tree_.native("stderr.txt");
        Outcome outcome;
        outcome.out =
            output("env -i PATH=/usr/bin:/bin LANBROOK_DRIVES=C:=" + tree_.native("drive") +
                   " USERPROFILE=" + tree_.native("profile") + " '" + LANBROOK_SCAN_EXE + "' " +
                   arguments + " 2>'" + errFile + "'; echo \"exit $?\"");
        const std::size_t last = outcome.out.rfind("exit ");
        outcome.exitCode = std::stoi(outcome.out.substr(last + 5));
        outcome.out.erase(last);
        outcome.err = readAll(errFile);
        return outcome;
    }

    TempTree tree_;
};

TEST_F(RunnerSpaceTest, DuPrintsTheLargestFoldersWithTheFiguresOfDu) {
    const Outcome outcome = run("--du 3 --verify");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    std::istringstream lines(outcome.out);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_NE(line.find("Disk usage"), std::string::npos) << line;
    std::vector<std::string> paths;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        unsigned long long usage = 0, size = 0, files = 0, copied = 0;
        std::string path;
        ASSERT_TRUE(fields >> usage >> size >> files >> copied) << line;
        std::getline(fields >> std::ws, path);
        EXPECT_EQ(usage, duOfFiles(path, "-B1")) << path;
        EXPECT_EQ(size, duOfFiles(path, "-b")) << path;
        paths.push_back(path);
        if (path == tree_.native("drive/big")) {
            EXPECT_EQ(files, 3u);
            EXPECT_EQ(copied, 300000u);  // the movie; a hard link is no copy
        }
    }
    // The drive, then big (with the link), then copies; small is fourth.
    EXPECT_EQ(paths, (std::vector<std::string>{tree_.native("drive"), tree_.native("drive/big"),
                                               tree_.native("drive/copies")}));
}

TEST_F(RunnerSpaceTest, JsonFoldersCarryTheFiguresAndCopiesWithVerify) {
    Outcome outcome = run("--json");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    json result = json::parse(outcome.out);
    ASSERT_TRUE(result.contains("folders"));
    ASSERT_EQ(result["folders"].size(), 5u);  // every folder: fewer than 20
    EXPECT_FALSE(result["folders"][0].contains("copied_elsewhere"));
    for (const json& folder : result["folders"]) {
        const std::string path = folder["path"].get<std::string>();
        EXPECT_EQ(folder["disk_usage"].get<unsigned long long>(), duOfFiles(path, "-B1")) << path;
        EXPECT_EQ(folder["size"].get<unsigned long long>(), duOfFiles(path, "-b")) << path;
    }
    outcome = run("--json --verify --du 2");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    result = json::parse(outcome.out);
    ASSERT_EQ(result["folders"].size(), 2u);
    EXPECT_EQ(result["folders"][1]["path"], tree_.native("drive/big"));
    EXPECT_EQ(result["folders"][1]["copied_elsewhere"], 300000);
    EXPECT_EQ(result["folders"][0]["copied_elsewhere"], 0);  // the drive holds every copy
}

TEST_F(RunnerSpaceTest, HelpNamesDu) {
    const Outcome outcome = run("--help");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(contains(outcome.out, "--du [N]"));
    EXPECT_TRUE(contains(outcome.out, "copied_elsewhere"));
}
