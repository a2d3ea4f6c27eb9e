// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/GroupCheck.h"

// The console runner's content check: checks every duplicate group it is
// given, most waste first, counts the groups of each state and the verified
// duplicate bytes, and keeps the results of the groups the summary shows.
class VerifyRun {
public:
    std::uint64_t confirmed = 0;
    std::uint64_t partly = 0;
    std::uint64_t refuted = 0;
    std::uint64_t unknown = 0;
    std::uint64_t verifiedBytes = 0;  // the bytes the extra copies of every class take
    std::unordered_map<std::string, GroupCheck> kept;  // MASK -> result, for `keep`

    // Checks the groups of `masks` (in that order) in the database file
    // `databasePath`, keeping the results of the masks of `keep`. With
    // `progress`, a line on it says the files and bytes checked of the total,
    // rewritten a few times a second, shown once more at the end and then
    // cleared; a group counts with the 32-bit length of its MASK until its
    // check has taken its files' own 64-bit lengths, so the bytes checked
    // never pass the total. False, with `error` (why the check cannot run),
    // when the database cannot be read.
    [[nodiscard]] bool run(const std::string& databasePath, const std::vector<std::string>& masks,
                           const std::unordered_set<std::string>& keep, std::FILE* progress,
                           std::string& error);

    // The kept result of the group of `mask`; null when none was kept.
    const GroupCheck* find(const std::string& mask) const {
        const auto found = kept.find(mask);
        return found != kept.end() ? &found->second : nullptr;
    }

private:
    void count(const GroupCheck& group);
};
