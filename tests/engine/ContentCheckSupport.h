// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "EngineTest.h"
#include "engine/ContentChecker.h"
#include "storage/CFileInfoDB.h"
#include "storage/SqlText.h"
#include "util/platform/FileSystem.h"

// Files of a real tree entered as file rows of the database by hand, so
// that the groups are what the test says: files of one group share a MASK
// whose size field is the low 32 bits of their length and whose samples are
// the group's tag, whatever their content. FTIME is the file's real time.
class ContentCheckTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        CFileInfoDB tables(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(tables.open()) << tables.errorText();  // makes the five tables
    }

    static std::string maskOf(std::uint64_t length, const std::string& tag) {
        const auto size = static_cast<std::uint32_t>(length);
        char field[9];
        std::snprintf(field, sizeof field, "%02X%02X%02X%02X", size & 0xFF, (size >> 8) & 0xFF,
                      (size >> 16) & 0xFF, size >> 24);
        std::string mask = field;
        while (mask.size() < 80) mask += tag;
        return mask.substr(0, 80);
    }

    // The folder row of `relative` (a folder of the tree), made when missing.
    std::string folderId(const std::string& relative) {
        const std::string path = folder(relative);
        const auto found = folders_.find(path);
        if (found != folders_.end()) return found->second;
        executeSql("INSERT INTO FILEINFO_DIF (FNAME, FTIME, FLEVEL) VALUES (" +
                   sqltext::quoted(path) + ", '20240101000000000', 1)");
        const std::string id =
            selectRows("SELECT ID FROM FILEINFO_DIF WHERE FNAME = " + sqltext::quoted(path))
                .at(0)
                .at(0);
        folders_[path] = id;
        return id;
    }

    // Enters the file `relative` (written already) as a row of group `tag`;
    // `length` is its length when the file is too large to hold in a string.
    std::string addRow(const std::string& relative, const std::string& tag, std::uint64_t length) {
        const auto slash = relative.rfind('/');
        const std::string parent = slash == std::string::npos ? "" : relative.substr(0, slash);
        const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
        std::int64_t mtime = 0;
        EXPECT_TRUE(platform::modificationTime(tree_.drivePath(relative), mtime)) << relative;
        const std::string mask = maskOf(length, tag);
        executeSql("INSERT INTO FILEINFO_FIF (MASK, FOLDERID, FNAME, FTIME) VALUES (" +
                   sqltext::quoted(mask) + ", " + folderId(parent) + ", " + sqltext::quoted(name) +
                   ", " + std::to_string(mtime) + ")");
        return mask;
    }

    // Writes `content` into the file `relative` and enters it in group `tag`.
    std::string addFile(const std::string& relative, const std::string& content,
                        const std::string& tag = "AB") {
        tree_.writeFile(relative, content);
        return addRow(relative, tag, content.size());
    }

    // Loads the group of `mask` through a checker of its own and checks it.
    GroupCheck check(const std::string& mask, ContentChecker::Counters* counters = nullptr) {
        ContentChecker checker(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(checker.open()) << checker.errorText();
        std::vector<GroupCheck> groups;
        EXPECT_TRUE(checker.loadGroups({mask}, groups)) << checker.errorText();
        if (groups.size() != 1) return {};
        const std::atomic<bool> stop{false};
        checker.check(groups.front(), stop);
        if (counters != nullptr) *counters = checker.counters();
        return groups.front();
    }

    // The class of each file, by file name, in the group's order of classes.
    static std::map<std::string, int> classOf(const GroupCheck& group) {
        std::map<std::string, int> classes;
        for (const CheckedFile& file : group.files) classes[file.name] = file.contentClass;
        return classes;
    }

    static const CheckedFile* fileNamed(const GroupCheck& group, const std::string& name) {
        for (const CheckedFile& file : group.files)
            if (file.name == name) return &file;
        return nullptr;
    }

    std::map<std::string, std::string> folders_;
};
