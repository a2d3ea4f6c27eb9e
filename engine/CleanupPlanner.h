// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/GroupCheck.h"
#include "engine/KeepRule.h"

// What a clean-up does with one content class of two or more distinct files:
// the file that stays and the files that go. Files in protected folders
// always stay; so do other names (hard links) of a file that stays, which
// would free nothing.
struct CleanupStep {
    std::size_t group = 0;  // index into the groups planned
    int contentClass = -1;
    int keep = -1;            // index into the group's files
    std::vector<int> moving;  // indices into the group's files, in their order
    std::uint64_t bytes = 0;  // freed when every file of `moving` goes
    std::string refusal;      // not empty: the step moves nothing, for this reason
};

// Plans a clean-up of checked groups by an ordered list of keep rules. Being
// in a protected folder always ranks first, whatever the list says; the file
// first in its group wins a tie that every rule leaves. Nothing here touches
// a file: the plan is carried out by the removal path, which checks each file
// again right before it moves.
class CleanupPlanner {
public:
    // Answers whether a path (program form) lies in a protected folder.
    using ProtectedTest = std::function<bool(const std::string& path)>;

    CleanupPlanner(std::vector<KeepRule> rules, ProtectedTest isProtected);

    // One step per class of two or more distinct checked files, in the
    // order of the groups and of their classes. Steps that would move a file
    // another step keeps are refused (see refuseCrossings).
    std::vector<CleanupStep> plan(const std::vector<GroupCheck>& groups) const;

    // Replans `step` with `keep` (an index into its group's files) as the
    // file that stays, the user's choice. False, leaving `step` as it was,
    // when `keep` is not a checked member of the step's class.
    [[nodiscard]] bool choose(const GroupCheck& group, CleanupStep& step, int keep) const;

    // Never the last copy across the plan: a step that would move a file
    // (the same name, or another name of the same file) that another step
    // keeps is refused, so each file that stays anywhere stays everywhere.
    // Refusals of an earlier call are worked out again (after the user chose
    // another file to stay, say); other refusals stay as they are.
    static void refuseCrossings(const std::vector<GroupCheck>& groups,
                                std::vector<CleanupStep>& steps);

    // One key per file, the same for every name of it: its identity where
    // the check took one, else its path.
    static std::string fileKey(const CheckedFile& file);

    // The bytes every step not refused frees, and the files it moves.
    static std::uint64_t totalBytes(const std::vector<CleanupStep>& steps);
    static std::size_t totalFiles(const std::vector<CleanupStep>& steps);

    static constexpr const char* kCrossingRefusal =
        "another step keeps this file: moving it could take the last copy";

private:
    // Fills `step.moving` and `step.bytes` for `step.keep`.
    void fillMoving(const GroupCheck& group, CleanupStep& step,
                    const std::vector<char>& protectedFiles) const;
    std::vector<char> protectedFilesOf(const GroupCheck& group) const;
    int bestOf(const GroupCheck& group, const std::vector<int>& members,
               const std::vector<char>& protectedFiles) const;

    std::vector<KeepRule> rules_;
    ProtectedTest isProtected_;
};
