// SPDX-License-Identifier: MIT
// lanbrook-scan with folders: the scope of a run, --protect, --across,
// --list, --min-size and the sets of --json, run as a child process on real
// trees. Arguments go to the child as they are (no shell), so folder names
// may hold blanks, quotes and bytes that are not UTF-8.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "RunnerSupport.h"
#include "TempTree.h"
#include "engine/AnalysisScope.h"
#include "storage/CFileInfoDB.h"

namespace {

using nlohmann::json;
using Sets = std::vector<std::vector<std::string>>;

// The sets of --list: blocks of "SIZE bytes each, N files:" and N paths,
// each followed by a blank line; the paths of each set sorted.
Sets parseList(const std::string& out) {
    Sets sets;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (contains(line, " bytes each, ")) {
            sets.emplace_back();
            continue;
        }
        if (!sets.empty()) sets.back().push_back(line);
    }
    for (auto& set : sets) std::sort(set.begin(), set.end());
    return sets;
}

Sets setsOfJson(const json& summary) {
    Sets sets;
    for (const json& set : summary.at("sets")) {
        sets.emplace_back();
        for (const json& file : set.at("files")) sets.back().push_back(file.at("path"));
        std::sort(sets.back().begin(), sets.back().end());
        EXPECT_EQ(set.at("count").get<std::size_t>(), sets.back().size());
    }
    return sets;
}

}  // namespace

class RunnerScopeTest : public ::testing::Test {
protected:
    void SetUp() override { tree_.makeFolder("home"); }

    // Runs lanbrook-scan with `arguments`, in the tree's root folder, with
    // PATH, HOME (the tree's home) and LANBROOK_DRIVES mapping C: to the tree,
    // unless `environment` gives others.
    Outcome run(const std::vector<std::string>& arguments,
                std::vector<std::string> environment = {}) {
        if (environment.empty())
            environment = {"LANBROOK_DRIVES=C:=" + tree_.root(), "HOME=" + tree_.native("home")};
        environment.push_back("PATH=/usr/bin:/bin");
        std::vector<std::string> argv{LANBROOK_SCAN_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        // Outside the tree: an analysis of every drive must not meet them.
        const std::string outFile = io_.native("stdout.txt"), errFile = io_.native("stderr.txt");
        const pid_t child = ::fork();
        if (child == 0) {
            std::vector<char*> args, env;
            for (auto& a : argv) args.push_back(a.data());
            for (auto& e : environment) env.push_back(e.data());
            args.push_back(nullptr);
            env.push_back(nullptr);
            const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
                ::chdir(tree_.root().c_str()) != 0)
                ::_exit(127);
            ::execve(args[0], args.data(), env.data());
            ::_exit(127);
        }
        int status = 0;
        Outcome outcome;
        if (child < 0 || ::waitpid(child, &status, 0) != child) return outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = readAll(outFile);
        outcome.err = readAll(errFile);
        return outcome;
    }

    json runJson(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"--json"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const Outcome outcome = run(all);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        try {
            return json::parse(outcome.out);
        } catch (const json::exception& e) {
            ADD_FAILURE() << e.what() << "\n" << outcome.out;
            return json::object();
        }
    }

    std::string database() const { return tree_.native("home/FileInfoData/FileInfo__.db"); }

    // Sets of copies of distinct sizes (so their waste orders them), spread
    // over pics/ and usb/, with a copy in out/ and files that are alone.
    void makeTree() {
        write("pics/a.jpg", 4000, 'a');
        write("pics/2020/a copy.jpg", 4000, 'a');
        write("usb/a.jpg", 4000, 'a');
        write("out/a.jpg", 4000, 'a');
        write("pics/b.png", 3000, 'b');
        write("usb/old/b.png", 3000, 'b');
        write("pics/c1.txt", 900, 'c');
        write("pics/c2.txt", 900, 'c');
        write("usb/d.bin", 20, 'd');
        write("usb/d again.bin", 20, 'd');
        write("pics/alone.txt", 77, 'x');
        write("out/e1.bin", 5000, 'e');
        write("out/e2.bin", 5000, 'e');
    }

    // A file of `size` bytes whose content depends on `seed` at every byte,
    // so files of one size and seed are copies and no others look alike.
    void write(const std::string& relative, std::size_t size, char seed) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(seed * 31 + i * 7 % 253 + i / 253);
        tree_.writeFile(relative, bytes);
        contents_[tree_.native(relative)] = bytes;
    }

    // The sets an independent grouping of the files under `folders` finds:
    // equal bytes, two files or more, most waste first.
    Sets expectedSets(const std::vector<std::string>& folders, std::size_t minSize = 0) const {
        std::map<std::string, std::vector<std::string>> byContent;
        for (const auto& [path, bytes] : contents_) {
            const bool inside = std::any_of(folders.begin(), folders.end(), [&](const auto& f) {
                return path.rfind(tree_.native(f) + "/", 0) == 0;
            });
            if (inside && bytes.size() >= minSize) byContent[bytes].push_back(path);
        }
        std::vector<std::pair<std::size_t, std::vector<std::string>>> sets;
        for (auto& [bytes, paths] : byContent) {
            if (paths.size() < 2) continue;
            std::sort(paths.begin(), paths.end());
            sets.emplace_back((paths.size() - 1) * bytes.size(), paths);
        }
        std::sort(sets.begin(), sets.end(),
                  [](const auto& a, const auto& b) { return a.first > b.first; });
        Sets result;
        for (auto& set : sets) result.push_back(set.second);
        return result;
    }

    TempTree tree_;
    TempTree io_;
    std::map<std::string, std::string> contents_;  // native path -> bytes
};

TEST_F(RunnerScopeTest, TheReadmesOneFolderExampleKeepsTheDatabaseInAHomeOutsideTheFolder) {
    makeTree();
    const Outcome outcome =
        run({"-q"}, {"LANBROOK_DRIVES=C:=" + tree_.native("pics"), "HOME=" + tree_.native("home")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "Files handled:    6\n")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "Database:         " + database() + "\n")) << outcome.out;
    EXPECT_TRUE(std::filesystem::is_regular_file(database()));
}

TEST_F(RunnerScopeTest, AFolderArgumentUnderTheDefaultDrivesAnalysesThatFolderOnly) {
    makeTree();
    const Outcome outcome = run({"-q", "pics"}, {"HOME=" + tree_.native("home")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "Files handled:    6\n")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "    " + tree_.native("pics/2020/a copy.jpg") + "\n"))
        << outcome.out;
    EXPECT_FALSE(contains(outcome.out, tree_.native("usb"))) << outcome.out;
}

TEST_F(RunnerScopeTest, TwoFoldersDescribeExactlyTheirFiles) {
    makeTree();
    const json summary = runJson({"pics", tree_.native("usb")});
    EXPECT_EQ(summary.at("files"), 10);
    EXPECT_EQ(summary.at("files_handled"), 10);
    EXPECT_EQ(summary.at("total_bytes"), 3 * 4000 + 2 * 3000 + 2 * 900 + 2 * 20 + 77);
    // out/a.jpg shares their content but is outside: no copy of theirs.
    EXPECT_EQ(summary.at("duplicate_bytes"), 2 * 4000 + 3000 + 900 + 20);
    EXPECT_EQ(setsOfJson(summary), expectedSets({"pics", "usb"}));
    const json& top = summary.at("top").at(0);
    EXPECT_EQ(top.at("count"), 3);
    for (const json& file : top.at("files"))
        EXPECT_FALSE(contains(file.at("path"), tree_.native("out"))) << file;
}

TEST_F(RunnerScopeTest, ListGivesEverySetAsAnIndependentGroupingFindsThem) {
    makeTree();
    const Outcome outcome = run({"--list", "pics", "usb"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(parseList(outcome.out), expectedSets({"pics", "usb"})) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "4000 bytes each, 3 files:\n")) << outcome.out;
    EXPECT_EQ(outcome.out.rfind("\n\n"), outcome.out.size() - 2) << "a blank line after each set";
    // Without folders the stored scope is every drive: out/ joins in.
    const Outcome everything = run({"--list"});
    EXPECT_EQ(parseList(everything.out), expectedSets({"pics", "usb", "out"}));
}

TEST_F(RunnerScopeTest, JsonSetsAreTheSetsOfTheList) {
    makeTree();
    const json summary = runJson({"pics", "usb", "out"});
    const Outcome list = run({"--list", "pics", "usb", "out"});
    EXPECT_EQ(setsOfJson(summary), parseList(list.out));
    const json& first = summary.at("sets").at(0);
    EXPECT_EQ(first.at("size"), 4000);
    EXPECT_EQ(first.at("waste"), 3 * 4000);
    EXPECT_EQ(first.at("mask").get<std::string>().size(), 80u);
}

TEST_F(RunnerScopeTest, MinSizeLeavesSmallerFilesOutOfTheSetsAndTotals) {
    makeTree();
    const json summary = runJson({"--min-size", "1000", "pics", "usb"});
    EXPECT_EQ(setsOfJson(summary), expectedSets({"pics", "usb"}, 1000));
    EXPECT_EQ(summary.at("files"), 5);
    EXPECT_EQ(summary.at("total_bytes"), 3 * 4000 + 2 * 3000);
    EXPECT_EQ(summary.at("duplicate_groups"), 2);
    const Outcome list = run({"--list", "--min-size=901", "pics", "usb"});
    EXPECT_EQ(parseList(list.out), expectedSets({"pics", "usb"}, 901));
    EXPECT_EQ(run({"--min-size", "1k", "pics"}).exitCode, 2);
    EXPECT_EQ(run({"pics", "--min-size"}).exitCode, 2);
}

TEST_F(RunnerScopeTest, AcrossKeepsTheSetsWithFilesInTwoFolders) {
    makeTree();
    const json summary = runJson({"--across", "pics", "usb"});
    // c1/c2 lie in pics alone, d and "d again" in usb alone.
    EXPECT_EQ(setsOfJson(summary),
              (Sets{{tree_.native("pics/2020/a copy.jpg"), tree_.native("pics/a.jpg"),
                     tree_.native("usb/a.jpg")},
                    {tree_.native("pics/b.png"), tree_.native("usb/old/b.png")}}));
    EXPECT_EQ(summary.at("duplicate_bytes"), 2 * 4000 + 3000);
}

TEST_F(RunnerScopeTest, AProtectedFolderIsScannedAndItsFilesMarked) {
    makeTree();
    const json summary = runJson({"pics", "--protect", "out"});
    bool marked = false;
    for (const json& set : summary.at("sets"))
        for (const json& file : set.at("files")) {
            const bool inOut = contains(file.at("path"), tree_.native("out") + "/");
            EXPECT_EQ(file.value("protected", false), inOut) << file;
            marked = marked || inOut;
        }
    EXPECT_TRUE(marked);
    EXPECT_EQ(summary.at("files"), 6 + 3);
}

TEST_F(RunnerScopeTest, OneFolderSpelledFourWaysIsWalkedOnce) {
    makeTree();
    std::filesystem::create_directory_symlink(tree_.native("pics"), tree_.native("link to pics"));
    const Outcome outcome =
        run({"pics", tree_.native("pics") + "/", "usb/../pics", "link to pics", "pics/2020"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "Files handled:    6\n")) << outcome.out;
    const std::string root = "C:\\pics\\\n";
    const std::size_t first = outcome.out.find(root);
    ASSERT_NE(first, std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.out.find(root, first + 1), std::string::npos) << outcome.out;
}

TEST_F(RunnerScopeTest, FolderNamesWithBlanksQuotesAndOtherBytesAreScannedAsTheyAre) {
    const std::string odd = "odd dir 'q' \"dq\" \xff\xfe";
    write(odd + "/x.bin", 1500, 'o');
    write(odd + "/y.bin", 1500, 'o');
    write("-dash/z.bin", 1500, 'o');
    const json summary = runJson({odd, "--", "-dash"});
    ASSERT_EQ(summary.at("sets").size(), 1u);
    const json& files = summary.at("sets").at(0).at("files");
    ASSERT_EQ(files.size(), 3u);
    std::vector<std::string> bytes;
    for (const json& file : files)
        bytes.push_back(file.contains("path_bytes") ? file.at("path_bytes").get<std::string>()
                                                    : file.at("path").get<std::string>());
    EXPECT_TRUE(std::find(bytes.begin(), bytes.end(), tree_.native("-dash/z.bin")) != bytes.end());
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const json& f) { return f.contains("path_bytes"); }),
              2);
}

TEST_F(RunnerScopeTest, AMissingFolderExitsWithTwoAndLeavesTheDatabaseUntouched) {
    makeTree();
    EXPECT_EQ(run({"-q", "missing"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(database())) << "nothing is made";
    ASSERT_EQ(run({"-q", "pics"}).exitCode, 0);
    const std::string before = readAll(database());
    const Outcome outcome = run({"-q", "usb", "pics/a.jpg"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "pics/a.jpg")) << outcome.err;
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    EXPECT_EQ(readAll(database()), before);
}

TEST_F(RunnerScopeTest, AnUnreadableFolderExitsWithTwo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    makeTree();
    ::chmod(tree_.native("usb").c_str(), 0);
    const Outcome outcome = run({"-q", "pics", "usb"});
    ::chmod(tree_.native("usb").c_str(), 0755);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "usb")) << outcome.err;
}

TEST_F(RunnerScopeTest, AFolderOutsideEveryDriveExitsWithTwo) {
    makeTree();
    const Outcome outcome = run({"-q", "/"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(contains(outcome.err, "LANBROOK_DRIVES")) << outcome.err;
}

TEST_F(RunnerScopeTest, VerifiedListGivesTheClassesOfIdenticalFiles) {
    makeTree();
    // Same size and samples as the other two, one byte off between samples
    // (they lie at k * 3000 / 9).
    std::string odd = contents_.at(tree_.native("pics/b.png"));
    odd[100] ^= 1;
    tree_.writeFile("usb/b odd.png", odd);
    const Outcome fingerprints = run({"--list", "pics", "usb"});
    const Outcome verified = run({"--list", "--verify", "pics", "usb"});
    ASSERT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_TRUE(contains(fingerprints.out, tree_.native("usb/b odd.png")));
    EXPECT_EQ(parseList(verified.out), expectedSets({"pics", "usb"})) << verified.out;
}

TEST_F(RunnerScopeTest, WithoutFoldersARunWalksTheScopeChosenInTheWindow) {
    makeTree();
    ASSERT_EQ(run({"-q", "usb"}).exitCode, 0);  // makes the database
    {
        CFileInfoDB db(database());  // a native path is opened as it is
        ASSERT_TRUE(db.open()) << db.errorText();
        AnalysisScope chosen;
        chosen.addFolder("C:\\pics\\", false);
        ASSERT_TRUE(chosen.save(db, AnalysisScope::Stored::Chosen)) << db.errorText();
    }
    const json summary = runJson({});
    EXPECT_EQ(setsOfJson(summary), expectedSets({"pics"}));
    const json across = runJson({"--across"});
    EXPECT_TRUE(across.at("sets").empty()) << "one chosen folder has no sets across folders";
}

TEST_F(RunnerScopeTest, HelpDescribesTheFoldersAndTheNewOptions) {
    const Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    for (const char* word : {"[options] [FOLDER...]", "--protect FOLDER", "--across", "--list",
                             "--min-size BYTES", "sets", "exit status 2", "HOME"})
        EXPECT_TRUE(contains(outcome.out, word)) << word;
}
