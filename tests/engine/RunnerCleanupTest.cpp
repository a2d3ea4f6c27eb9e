// SPDX-License-Identifier: MIT
// lanbrook-scan --trash-copies as a child process on real trees: the plan of
// --dry-run in text and JSON, the moves of --yes recorded to be undone, the
// refusals and their exit status, and arguments that do not go together.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ScanProcess.h"
#include "TempTree.h"
#include "storage/CSqliteDB.h"

namespace {

using nlohmann::json;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

class RunnerCleanupTest : public ::testing::Test {
protected:
    ScanResult run(const std::vector<std::string>& arguments) const {
        ScanProcess::Options options;
        options.environment = {"LANBROOK_DRIVES=C:=" + tree_.native("drive"),
                               "USERPROFILE=" + tree_.native("drive/profile"),
                               "XDG_DATA_HOME=" + tree_.native("data")};
        options.arguments = arguments;
        return runScan(options);
    }

    // Three copies of a photo, one in a folder with a copy mark in its
    // name, and a pair of notes.
    void makeTree() {
        tree_.writeFile("drive/a/photo.jpg", photo_);
        tree_.writeFile("drive/b/deeper/photo.jpg", photo_);
        tree_.writeFile("drive/c/photo (1).jpg", photo_);
        tree_.writeFile("drive/a/notes.txt", "notes");
        tree_.writeFile("drive/b/notes.txt", "notes");
        tree_.makeFolder("drive/profile");
        tree_.makeFolder("data");
    }

    bool exists(const std::string& relative) const {
        struct stat info {};
        return ::lstat(tree_.native(relative).c_str(), &info) == 0;
    }

    std::size_t recordedMoves() const {
        CSqliteDB database(tree_.drivePath("drive/profile/FileInfoData/FileInfo__.db"));
        if (!database.open() || !database.query("SELECT COUNT(*) FROM LANBROOK_CLEANUP")) return 0;
        return std::stoul(database.resultRows().front().at(0));
    }

    const std::string photo_ = std::string(40000, 'p');
    TempTree tree_;
};

TEST_F(RunnerCleanupTest, DryRunPrintsThePlanAndMovesNothing) {
    makeTree();
    const ScanResult result =
        run({"-q", "--trash-copies", "--keep", "shallowest,plain-name", "--dry-run"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string plan = "keep    " + tree_.native("drive/a/photo.jpg") + "\n" + "trash   " +
                             tree_.native("drive/b/deeper/photo.jpg") + "\n" + "trash   " +
                             tree_.native("drive/c/photo (1).jpg") + "\n";
    EXPECT_TRUE(contains(result.out, plan)) << result.out;
    EXPECT_TRUE(contains(result.out, "keep rules: protected, shallowest, plain-name"))
        << result.out;
    EXPECT_TRUE(contains(result.out, "Plan: 3 files to move to the trash, 80005 bytes"))
        << result.out;
    for (const char* stays : {"drive/a/photo.jpg", "drive/b/deeper/photo.jpg",
                              "drive/c/photo (1).jpg", "drive/a/notes.txt", "drive/b/notes.txt"})
        EXPECT_TRUE(exists(stays)) << stays;
    EXPECT_FALSE(exists("data/Trash/files"));
}

TEST_F(RunnerCleanupTest, DryRunJsonCarriesThePlan) {
    makeTree();
    const ScanResult result =
        run({"--json", "--trash-copies", "--keep=path:" + tree_.native("drive/c"), "--dry-run"});
    ASSERT_EQ(result.status, 0) << result.err;
    const json summary = json::parse(result.out);
    const json& plan = summary.at("plan");
    EXPECT_EQ(plan.at("keep_rules"), (json{"protected", "path:" + tree_.native("drive/c") + "/"}));
    EXPECT_EQ(plan.at("files"), 3);
    EXPECT_EQ(plan.at("bytes"), 2 * photo_.size() + 5);
    EXPECT_EQ(plan.at("refused_files"), 0);
    const json& first = plan.at("steps").at(0);
    EXPECT_EQ(first.at("keep").at("path"), tree_.native("drive/c/photo (1).jpg"));
    EXPECT_EQ(first.at("trash").size(), 2u);
    EXPECT_EQ(first.at("bytes"), 2 * photo_.size());
    EXPECT_FALSE(summary.contains("cleanup"));
    EXPECT_TRUE(exists("drive/a/photo.jpg"));
}

TEST_F(RunnerCleanupTest, TrashCopiesWithYesMovesThePlannedCopiesAndRecordsThem) {
    makeTree();
    const ScanResult result = run({"--json", "--trash-copies", "--keep", "deepest", "--yes"});
    ASSERT_EQ(result.status, 0) << result.err;
    const json cleanup = json::parse(result.out).at("cleanup");
    EXPECT_EQ(cleanup.at("moved").size(), 3u);
    EXPECT_EQ(cleanup.at("refused").size(), 0u);
    EXPECT_EQ(cleanup.at("bytes_freed"), 2 * photo_.size() + 5);
    EXPECT_TRUE(exists("drive/b/deeper/photo.jpg"));
    EXPECT_FALSE(exists("drive/a/photo.jpg"));
    EXPECT_FALSE(exists("drive/c/photo (1).jpg"));
    EXPECT_EQ(exists("drive/a/notes.txt"), !exists("drive/b/notes.txt"));
    EXPECT_TRUE(exists("data/Trash/files/photo (1).jpg"));
    EXPECT_EQ(recordedMoves(), 3u);

    // The index was rebuilt: a second run finds nothing left to clean up.
    const ScanResult again = run({"-q", "--trash-copies", "--dry-run"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(contains(again.out, "Duplicate groups: 0\n")) << again.out;
    EXPECT_TRUE(contains(again.out, "Plan: 0 files to move")) << again.out;
}

TEST_F(RunnerCleanupTest, TrashRefusalsAreListedWithTheirReasonAndExitStatusFour) {
    makeTree();
    // A plain file where the trash must be: every move is refused.
    tree_.writeFile("data/Trash", "not a folder");
    const ScanResult result = run({"-q", "--trash-copies", "--yes"});
    EXPECT_EQ(result.status, 4) << result.err;
    const std::string reason = ": the trash cannot be made: " + tree_.native("data/Trash");
    EXPECT_TRUE(contains(result.out, "refused " + tree_.native("drive/a/notes.txt") + reason) ||
                contains(result.out, "refused " + tree_.native("drive/b/notes.txt") + reason))
        << result.out;
    EXPECT_TRUE(contains(result.out, "Moved to the trash: 0 files, 0 bytes")) << result.out;
    EXPECT_TRUE(contains(result.out, "Refused: 3 files")) << result.out;
    for (const char* stays :
         {"drive/a/photo.jpg", "drive/b/deeper/photo.jpg", "drive/c/photo (1).jpg"})
        EXPECT_TRUE(exists(stays)) << stays;
}

TEST_F(RunnerCleanupTest, WithoutYesNothingIsScannedOrMovedAndBadArgumentsAreRefused) {
    makeTree();
    const std::vector<std::vector<std::string>> refused = {
        {"--trash-copies"},
        {"--trash-copies", "--dry-run", "--yes"},
        {"--dry-run"},
        {"--verify", "--keep", "oldest"},
        {"--trash-copies", "--keep", "largest", "--dry-run"},
        {"--trash-copies", "--keep", "path:relative/folder", "--dry-run"},
        {"--trash-copies", "--dry-run", "--keep"},
    };
    for (const std::vector<std::string>& arguments : refused) {
        const ScanResult result = run(arguments);
        std::string line;
        for (const std::string& argument : arguments) line += argument + " ";
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_TRUE(contains(result.err, "lanbrook-scan: ")) << line << result.err;
        EXPECT_FALSE(exists("drive/profile/FileInfoData")) << line;
    }
    EXPECT_TRUE(contains(run({"--trash-copies"}).err, "only with --yes"));
    const ScanResult help = run({"--help"});
    for (const char* word : {"--trash-copies", "--keep", "--dry-run", "--yes", "plain-name",
                             "path:FOLDER", "Exit status 4"})
        EXPECT_TRUE(contains(help.out, word)) << word;
}

TEST_F(RunnerCleanupTest, TrashCopiesKeepsEveryFileOfAProtectedFolderFirst) {
    makeTree();
    // Deepest would keep b/deeper/photo.jpg; the protected folder comes first.
    const ScanResult result = run({"--json", "--trash-copies", "--keep", "deepest", "--yes",
                                   "--protect", tree_.native("drive/a"), tree_.native("drive")});
    ASSERT_EQ(result.status, 0) << result.err;
    const json summary = json::parse(result.out);
    EXPECT_EQ(summary.at("plan").at("keep_rules").at(0), "protected");
    EXPECT_EQ(summary.at("cleanup").at("moved").size(), 3u);
    EXPECT_TRUE(exists("drive/a/photo.jpg"));
    EXPECT_TRUE(exists("drive/a/notes.txt"));
    for (const char* goes :
         {"drive/b/deeper/photo.jpg", "drive/c/photo (1).jpg", "drive/b/notes.txt"})
        EXPECT_FALSE(exists(goes)) << goes;
}
