// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <set>
#include <string>

#include "RobustnessSupport.h"

// Runs of the console runner over a drive of the test's own, and the
// comparison of what they leave with what a clean scan of the same tree gives.
class RunFixture : public ::testing::Test {
protected:
    ScanResult scan() { return runScan(drive_.options()); }

    // A tree of `folders` folders of `files` files each below `top`, with
    // copies among them; folder names long enough that a listing line is ~100 bytes.
    void buildTree(const std::string& top, int folders, int files) {
        for (int f = 0; f < folders; ++f) {
            const std::string folder = top + "/group-" + std::to_string(f / 20) + "/folder-" +
                                       std::to_string(f) +
                                       "-with-a-name-long-enough-for-a-listing-line";
            drive_.makeFolder(folder);
            for (int n = 0; n < files; ++n)
                drive_.writeFile(folder + "/file-" + std::to_string(n) + ".dat",
                                 "content " + std::to_string((f * files + n) % 97) +
                                     std::string(static_cast<std::size_t>(n * 13), 'x'));
        }
    }

    // Moves the recorded start of the last scan 1000 seconds back, so that
    // files given a time between it and now count as modified since the last
    // scan while being older than the start of every later run: only the
    // recorded time, never the clock, decides whether they are read again.
    std::int64_t backdateLastScan() {
        executeOn(drive_.databasePath(), "UPDATE FILEINFO_SCN SET FTIME = FTIME - 1000");
        return static_cast<std::int64_t>(std::time(nullptr)) - 500;
    }

    // Rewrites the file `relative` in place (its folder keeps its time) with
    // other content and the time `mtime`.
    void rewriteInPlace(const std::string& relative, std::int64_t mtime) {
        drive_.writeFile(relative, "changed! " + relative);
        drive_.setModificationTime(relative, mtime);
    }

    // The image of the drive's database, then that of a clean scan of the
    // same tree into a new database (which replaces it).
    DatabaseImage currentImage() const { return readImage(drive_.databasePath()); }
    DatabaseImage cleanScanImage() {
        for (const char* suffix : {"", "-journal"})
            ::unlink((drive_.databasePath() + suffix).c_str());
        const ScanResult clean = scan();
        EXPECT_EQ(clean.status, 0) << clean.err;
        return currentImage();
    }

    // Same folders, files, MASKs and times, the same index in the same order,
    // no file row without its folder; each index row names a file of its group
    // (which one depends on the order in which rows were written).
    static void expectSameRows(const DatabaseImage& actual, const DatabaseImage& clean) {
        EXPECT_EQ(actual.folders, clean.folders);
        EXPECT_EQ(actual.files, clean.files);
        EXPECT_EQ(actual.index, clean.index);
        EXPECT_EQ(actual.orphanFiles, 0u);
        std::set<std::string> nameAndMask;  // "name|MASK" of every file
        for (const std::string& row : actual.files) {
            const std::size_t bar = row.find('|');
            const std::string path = row.substr(0, bar);
            const std::string mask = row.substr(bar + 1, row.find('|', bar + 1) - bar - 1);
            nameAndMask.insert(path.substr(path.rfind('\\') + 1) + "|" + mask);
        }
        for (const auto& [mask, name] : actual.indexNames)
            EXPECT_EQ(nameAndMask.count(name + "|" + mask), 1u) << name << " " << mask;
    }

    static bool contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    ScanDrive drive_;
};
