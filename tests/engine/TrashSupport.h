// SPDX-License-Identifier: MIT
#pragma once

#include <dirent.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ContentCheckSupport.h"
#include "TrashInfoFile.h"
#include "engine/CopyRemover.h"

// The trash of a test process: one home trash inside the scratch folder (on
// the trees' file system), named by XDG_DATA_HOME before the first move.
namespace trashtest {

inline const std::string& trashFolder() {
    static const std::string folder = [] {
        const std::string data = testsupport::prepareScratchEnvironment() + "/xdg-data";
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        return data + "/Trash";
    }();
    return folder;
}

using trashinfo::percentDecoded;
using trashinfo::readWhole;

// The names in the trash's folder `sub` ("files" or "info").
inline std::vector<std::string> trashEntries(const std::string& sub) {
    std::vector<std::string> names;
    DIR* folder = ::opendir((trashFolder() + "/" + sub).c_str());
    if (folder == nullptr) return names;
    while (dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(folder);
    return names;
}

// The name under Trash/files of the file that was at `native`, from the info
// file whose percent-decoded Path is those bytes; empty when none is.
inline std::string trashedAs(const std::string& native) {
    const std::string suffix = ".trashinfo";
    std::string found;
    for (const std::string& name : trashEntries("info")) {
        if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
            continue;
        if (percentDecoded(trashinfo::value(trashFolder() + "/info/" + name, "Path")) == native)
            found = name.substr(0, name.size() - suffix.size());
    }
    return found;
}

inline int indexNamed(const GroupCheck& group, const std::string& name) {
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (group.files[i].name == name) return int(i);
    return -1;
}

}  // namespace trashtest

// Moves copies through a real database, content cache and trash.
class TrashTest : public ContentCheckTest {
protected:
    void SetUp() override {
        (void)trashtest::trashFolder();
        ContentCheckTest::SetUp();
    }

    std::vector<CopyRemover::Outcome> trash(const GroupCheck& group, const std::string& keep,
                                            const std::vector<std::string>& names,
                                            CopyRemover::MoveFunction move = {},
                                            CopyRemover::StepHook hook = {}) {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        ContentChecker cache(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(cache.open()) << cache.errorText();
        std::vector<int> files;
        for (const std::string& name : names) files.push_back(trashtest::indexNamed(group, name));
        CopyRemover remover(database, cache, std::move(move), std::move(hook));
        return remover.moveToTrash(group, trashtest::indexNamed(group, keep), files);
    }

    // a.txt and b.txt holding `content`, checked: two copies of it.
    GroupCheck twoCopies(const std::string& content) {
        const std::string mask = addFile("a.txt", content);
        addFile("b.txt", content);
        GroupCheck group = check(mask);
        EXPECT_EQ(group.state, GroupState::Confirmed);
        return group;
    }

    std::size_t rowsNamed(const std::string& table, const std::string& name) {
        return selectRows("SELECT 1 FROM " + table + " WHERE FNAME = " + sqltext::quoted(name))
            .size();
    }
};
