// SPDX-License-Identifier: MIT
// lanbrook-scan --verify and --json, run as a child process on real trees.
#include <sys/wait.h>
#include <utime.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TempTree.h"

namespace {

using nlohmann::json;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string hexOf(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return hex;
}

}  // namespace

class RunnerVerifyTest : public ::testing::Test {
protected:
    // Runs lanbrook-scan on the tree's drive with `arguments`; standard
    // error goes to a file, so it is not a terminal.
    Outcome run(const std::string& arguments) {
        const std::string errFile = tree_.native("stderr.txt");
        const std::string command =
            "env -i PATH=/usr/bin:/bin LANBROOK_DRIVES=C:=" + tree_.native("drive") +
            " USERPROFILE=" + tree_.native("drive/profile") + " '" + LANBROOK_SCAN_EXE + "' " +
            arguments + " 2>'" + errFile + "'";
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return outcome;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
        const int status = ::pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        outcome.err = text.str();
        return outcome;
    }

    // Three copies of a 200 KiB file and a fourth that differs in its middle
    // only (so the fingerprint groups all four), and a confirmed pair.
    void makeTree() {
        std::string bytes(200 * 1024, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 % 251);
        tree_.writeFile("drive/a/data.bin", bytes);
        tree_.writeFile("drive/b/data.bin", bytes);
        tree_.writeFile("drive/c/data.bin", bytes);
        bytes[100 * 1024 + 3] ^= 1;
        tree_.writeFile("drive/d/data.bin", bytes);
        tree_.writeFile("drive/a/pair.txt", "a confirmed pair");
        tree_.writeFile("drive/b/pair \xff.txt", "a confirmed pair");
        tree_.makeFolder("drive/profile");
    }

    TempTree tree_;
};

TEST_F(RunnerVerifyTest, HelpDescribesVerifyJsonAndThePathBytes) {
    const Outcome outcome = run("--help");
    EXPECT_EQ(outcome.exitCode, 0);
    for (const char* word : {"--verify", "--json", "path_bytes", "CONTENT_HASH", "confirmed"})
        EXPECT_TRUE(contains(outcome.out, word)) << word;
}

TEST_F(RunnerVerifyTest, VerifyAddsTheStatesAndShowsTheClassesOfTheTopGroups) {
    makeTree();
    const Outcome outcome = run("-q --verify");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string& out = outcome.out;
    EXPECT_TRUE(contains(out, "Duplicate bytes:  614416 ")) << out;
    EXPECT_TRUE(contains(out, "Groups confirmed: 1\n")) << out;
    EXPECT_TRUE(contains(out, "Groups partly:    1\n")) << out;
    EXPECT_TRUE(contains(out, "Groups refuted:   0\n")) << out;
    EXPECT_TRUE(contains(out, "Groups unknown:   0\n")) << out;
    EXPECT_TRUE(contains(out, "Verified duplicate bytes: 409616 ")) << out;
    const std::string classes =
        "    partly: 409600 bytes verified duplicate (400.00 K)\n"
        "    copies 1:\n      " +
        tree_.native("drive/a/data.bin") + "\n      " + tree_.native("drive/b/data.bin") +
        "\n      " + tree_.native("drive/c/data.bin") + "\n    unique:\n      " +
        tree_.native("drive/d/data.bin") + "\n";
    EXPECT_TRUE(contains(out, classes)) << out;
    EXPECT_EQ(outcome.err, "");  // no progress line when standard error is a file
}

TEST_F(RunnerVerifyTest, JsonCarriesTheTotalsStatesAndTopGroups) {
    makeTree();
    const Outcome outcome = run("--json --verify");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const json summary = json::parse(outcome.out);  // nothing but the object on stdout
    EXPECT_EQ(summary.at("files"), 6);
    EXPECT_EQ(summary.at("groups"), 2);
    EXPECT_EQ(summary.at("duplicate_groups"), 2);
    EXPECT_EQ(summary.at("total_bytes"), 4 * 200 * 1024 + 32);
    EXPECT_EQ(summary.at("duplicate_bytes"), 614416);
    EXPECT_EQ(summary.at("verified_duplicate_bytes"), 409616);
    EXPECT_EQ(summary.at("groups_by_state").at("confirmed"), 1);
    EXPECT_EQ(summary.at("groups_by_state").at("partly"), 1);
    EXPECT_EQ(summary.at("groups_by_state").at("refuted"), 0);
    EXPECT_EQ(summary.at("groups_by_state").at("unknown"), 0);
    const json& top = summary.at("top").at(0);
    EXPECT_EQ(top.at("state"), "partly");
    ASSERT_EQ(top.at("classes").size(), 2u);
    ASSERT_EQ(top.at("files").size(), 4u);
    for (const json& file : top.at("files")) {
        const bool odd = file.at("path") == tree_.native("drive/d/data.bin");
        EXPECT_EQ(top.at("classes").at(file.at("class").get<int>()).size(), odd ? 1u : 3u);
        EXPECT_EQ(file.at("status"), "checked");
    }
}

TEST_F(RunnerVerifyTest, PathThatIsNotUtf8SurvivesAsItsBytes) {
    makeTree();
    for (const char* arguments : {"--json", "--json --verify"}) {
        const json summary = json::parse(run(arguments).out);
        const std::string native = tree_.native("drive/b/pair \xff.txt");
        bool found = false;
        for (const json& group : summary.at("top"))
            for (const json& file : group.at("files"))
                if (file.contains("path_bytes")) {
                    EXPECT_EQ(file.at("path_bytes"), hexOf(native)) << arguments;
                    EXPECT_TRUE(contains(file.at("path").get<std::string>(), "pair \xEF\xBF\xBD"));
                    found = true;
                } else {
                    EXPECT_TRUE(contains(file.at("path").get<std::string>(), tree_.root()));
                }
        EXPECT_TRUE(found) << arguments;
    }
}

TEST_F(RunnerVerifyTest, JsonWithoutVerifyHasNoStates) {
    makeTree();
    const Outcome outcome = run("--json");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const json summary = json::parse(outcome.out);
    EXPECT_FALSE(summary.contains("verified_duplicate_bytes"));
    EXPECT_FALSE(summary.contains("groups_by_state"));
    EXPECT_EQ(summary.at("top").at(0).at("files").size(), 4u);
}

TEST_F(RunnerVerifyTest, SecondVerifyReadsAFileRewrittenWithItsTimeKept) {
    makeTree();
    ASSERT_EQ(run("-q --verify").exitCode, 0);
    // Same length, same whole-second time, other bytes in the middle: the
    // scan cannot see it, but the file's change time moved, so the cached
    // hash is not trusted and the file is read again.
    std::string bytes(200 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 % 251);
    bytes[50 * 1024] ^= 1;
    const std::string path = tree_.native("drive/c/data.bin");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const struct utimbuf times { before.st_atime, before.st_mtime };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
    const json summary = json::parse(run("--json --verify").out);
    const json& top = summary.at("top").at(0);
    EXPECT_EQ(top.at("state"), "partly");
    EXPECT_EQ(top.at("classes").size(), 3u);  // a and b; c; d
    EXPECT_EQ(summary.at("verified_duplicate_bytes"), 200 * 1024 + 16);
}
