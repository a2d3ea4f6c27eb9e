// SPDX-License-Identifier: MIT
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "FolderSupport.h"
#include "engine/SpaceTree.h"

// What du says of the files below a native folder (folders' own blocks
// aside): `find -type f` hands the files to du, which counts the names of
// one file once, as it does for a folder. `unit` is "-b" (apparent bytes)
// or "-B1" (bytes of the blocks). -1 when du fails.
inline long long duOfFiles(const std::string& native, const char* unit) {
    const std::string command = "find '" + native + "' -type f -print0 | du -c " + unit +
                                " --files0-from=- 2>/dev/null | tail -n 1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = ::pclose(pipe);
    // An empty list gives no total line: nothing counts as 0.
    if (!read) return WIFEXITED(status) ? 0 : -1;
    return std::atoll(line);
}

// A real tree analysed as the scope, then its space tree loaded.
class SpaceTest : public FolderTest {
protected:
    // Analyses (checking every group when `verify`) and loads the tree.
    SpaceTree analyseAndLoad(bool verify = true) {
        analyse();
        return load(verify);
    }

    SpaceTree load(bool verify = true) {
        SpaceTree space;
        if (verify) {
            const CheckedContent checked = checkAll();
            EXPECT_TRUE(space.load(ConfigInfo::global().getDatabasePath(), &checked))
                << space.errorText();
        } else {
            EXPECT_TRUE(space.load(ConfigInfo::global().getDatabasePath())) << space.errorText();
        }
        return space;
    }

    // The figures of the tree's folder `relative` ("" for the tree itself).
    SpaceTree::Figures figures(const SpaceTree& space, const std::string& relative) const {
        const SpaceTree::NodeId node = space.find(relative.empty() ? folder() : folder(relative));
        EXPECT_NE(node, SpaceTree::kNoNode) << relative;
        return space.row(node).figures;
    }
};
