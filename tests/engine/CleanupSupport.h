// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <string>
#include <vector>

#include "TrashSupport.h"
#include "engine/CleanupJournal.h"
#include "engine/CleanupPlanner.h"
#include "engine/CleanupRun.h"

// Clean-ups planned over groups of a real tree and carried out through a
// real database, content cache and trash, each with its undo record.
class CleanupTest : public TrashTest {
protected:
    std::vector<GroupCheck> checked(const std::vector<std::string>& masks) {
        std::vector<GroupCheck> groups;
        for (const std::string& mask : masks) groups.push_back(check(mask));
        return groups;
    }

    static std::vector<CleanupStep> planned(const std::vector<GroupCheck>& groups,
                                            const std::string& rules,
                                            const CleanupPlanner::ProtectedTest& test = {}) {
        std::vector<KeepRule> parsed;
        std::string error;
        EXPECT_TRUE(KeepRule::parseList(rules, parsed, error)) << error;
        return CleanupPlanner(parsed, test).plan(groups);
    }

    // Carries out `steps` as the window does: a connection of its own, the
    // moves recorded to be undone.
    CleanupRun::Summary carryOut(const std::vector<GroupCheck>& groups,
                                 const std::vector<CleanupStep>& steps,
                                 const std::atomic<bool>& cancel,
                                 CopyRemover::MoveFunction move = {},
                                 CleanupRun::Progress* progress = nullptr) {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        ContentChecker cache(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(cache.open()) << cache.errorText();
        CleanupJournal journal(database);
        EXPECT_TRUE(journal.begin()) << journal.errorText();
        CleanupRun run(database, cache, std::move(move));
        return run.run(groups, steps, cancel, progress, &journal);
    }
    CleanupRun::Summary carryOut(const std::vector<GroupCheck>& groups,
                                 const std::vector<CleanupStep>& steps) {
        const std::atomic<bool> never{false};
        return carryOut(groups, steps, never);
    }

    bool exists(const std::string& relative) const {
        struct stat info {};
        return ::lstat(tree_.native(relative).c_str(), &info) == 0;
    }

    // The tree-relative paths of `items`, in their order.
    std::vector<std::string> pathsOf(const std::vector<CleanupRun::Item>& items) const {
        std::vector<std::string> paths;
        const std::string root = tree_.drivePath("") + "\\";
        for (const CleanupRun::Item& item : items) {
            std::string relative = item.path.substr(root.size());
            std::replace(relative.begin(), relative.end(), '\\', '/');
            paths.push_back(relative);
        }
        return paths;
    }
};
