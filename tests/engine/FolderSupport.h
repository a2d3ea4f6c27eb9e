// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "EngineTest.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/AnalysisScope.h"
#include "engine/CheckedContent.h"
#include "engine/ContentChecker.h"
#include "engine/FolderCopies.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/IMessageTarget.h"
#include "engine/IdenticalFolders.h"

// Frees the progress blocks of a run and keeps nothing.
class QuietTarget : public IMessageTarget {
public:
    bool postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == WM_ANALYSE_INFO && lParam == kInfoProgressBlock)
            delete[] reinterpret_cast<char*>(wParam);
        return true;
    }
};

// What the folder computations found in one inventory.
struct FolderFindings {
    FolderInventory inventory;
    std::unique_ptr<FolderCopies> copies;
    std::unique_ptr<IdenticalFolders> identical;
};

// A real tree analysed as the one folder of the scope, its groups checked by
// the content check, then the folders computed from the database.
class FolderTest : public EngineTest {
protected:
    void analyse(const std::vector<std::string>& protectedFolders = {}) {
        AnalysisScope scope;
        scope.addFolder(folder(), false);
        for (const std::string& relative : protectedFolders)
            scope.addFolder(folder(relative), true);
        QuietTarget target;
        (void)AnalyseThreadProc(&target, nullptr, &scope);
    }

    // Checks every group of two files or more, as --verify and the window do.
    CheckedContent checkAll() {
        CheckedContent checked;
        std::vector<std::string> masks;
        for (const auto& row : selectRows("SELECT MASK FROM FILEINFO_IDX WHERE FNUM > 1"))
            masks.push_back(row.at(0));
        ContentChecker checker(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(checker.open()) << checker.errorText();
        std::vector<GroupCheck> groups;
        EXPECT_TRUE(checker.loadGroups(masks, groups)) << checker.errorText();
        const std::atomic<bool> stop{false};
        for (GroupCheck& group : groups) {
            checker.check(group, stop);
            checked.add(group);
        }
        return checked;
    }

    FolderFindings find(const CheckedContent* checked) {
        FolderFindings found;
        FolderInventoryLoader loader(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(loader.load(found.inventory, checked)) << loader.errorText();
        found.copies = std::make_unique<FolderCopies>(found.inventory);
        found.identical = std::make_unique<IdenticalFolders>(found.inventory, *found.copies);
        return found;
    }

    // Analyses the tree, checks it and computes the folders.
    FolderFindings analyseAndFind() {
        analyse();
        const CheckedContent checked = checkAll();
        return find(&checked);
    }

    // The folders of each set, relative to the tree ("a/b"), sets in order.
    std::vector<std::vector<std::string>> setPaths(const FolderFindings& found) const {
        std::vector<std::vector<std::string>> sets;
        for (const IdenticalFolders::Set& set : found.identical->sets()) {
            sets.emplace_back();
            for (const std::uint32_t f : set.folders)
                sets.back().push_back(relative(found.inventory.folders()[f].path));
        }
        return sets;
    }

    std::vector<std::string> redundantPaths(const FolderFindings& found) const {
        std::vector<std::string> paths;
        for (const IdenticalFolders::Redundant& folder : found.identical->redundant())
            paths.push_back(relative(found.inventory.folders()[folder.folder].path));
        return paths;
    }

    // A stored folder path as the tree names it: "a/b" ("" for the tree itself).
    std::string relative(const std::string& path) const {
        std::string inside = path.substr(folder().size());
        if (!inside.empty()) inside.pop_back();
        for (char& c : inside)
            if (c == '\\') c = '/';
        return inside;
    }

    std::uint32_t folderAt(const FolderFindings& found, const std::string& relativePath) const {
        return found.inventory.find(relativePath.empty() ? folder() : folder(relativePath));
    }
};
