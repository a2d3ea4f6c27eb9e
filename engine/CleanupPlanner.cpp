// SPDX-License-Identifier: MIT
#include "engine/CleanupPlanner.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

bool checkedMember(const GroupCheck& group, int file, int contentClass) {
    if (file < 0 || static_cast<std::size_t>(file) >= group.files.size()) return false;
    const CheckedFile& checked = group.files[std::size_t(file)];
    return checked.status == CheckedFile::Status::Checked && checked.contentClass == contentClass;
}

std::uint64_t lengthOfClass(const GroupCheck& group, int contentClass) {
    const auto index = std::size_t(contentClass);
    return index < group.classLengths.size() ? group.classLengths[index] : group.length;
}

}  // namespace

CleanupPlanner::CleanupPlanner(std::vector<KeepRule> rules, ProtectedTest isProtected)
    : rules_(std::move(rules)), isProtected_(std::move(isProtected)) {
    // Being protected ranks first whatever the list says.
    rules_.erase(
        std::remove_if(rules_.begin(), rules_.end(),
                       [](const KeepRule& rule) { return rule.kind == KeepRule::Kind::Protected; }),
        rules_.end());
    rules_.insert(rules_.begin(), KeepRule{});
}

std::vector<char> CleanupPlanner::protectedFilesOf(const GroupCheck& group) const {
    std::vector<char> flags(group.files.size(), 0);
    if (!isProtected_) return flags;
    for (std::size_t i = 0; i < group.files.size(); ++i)
        flags[i] = isProtected_(group.files[i].path()) ? 1 : 0;
    return flags;
}

int CleanupPlanner::bestOf(const GroupCheck& group, const std::vector<int>& members,
                           const std::vector<char>& protectedFiles) const {
    int best = -1;
    std::vector<long long> bestRanks;
    for (const int member : members) {
        const CheckedFile& file = group.files[std::size_t(member)];
        std::vector<long long> ranks;
        ranks.reserve(rules_.size());
        for (const KeepRule& rule : rules_)
            ranks.push_back(rule.rank(file, protectedFiles[std::size_t(member)] != 0));
        // Members come in group order, so a full tie keeps the first.
        if (best < 0 || ranks < bestRanks) {
            best = member;
            bestRanks = std::move(ranks);
        }
    }
    return best;
}

void CleanupPlanner::fillMoving(const GroupCheck& group, CleanupStep& step,
                                const std::vector<char>& protectedFiles) const {
    const std::vector<int>& members = group.classes[std::size_t(step.contentClass)];
    // A file stays with all its names when any of them stays: the kept one,
    // or one in a protected folder.
    std::set<int> stayingSets;
    std::set<int> staying;
    for (const int member : members) {
        if (member != step.keep && protectedFiles[std::size_t(member)] == 0) continue;
        staying.insert(member);
        const int linkSet = group.files[std::size_t(member)].linkSet;
        if (linkSet >= 0) stayingSets.insert(linkSet);
    }
    step.moving.clear();
    std::set<int> movingSets;
    std::uint64_t distinct = 0;
    for (const int member : members) {
        const int linkSet = group.files[std::size_t(member)].linkSet;
        if (staying.count(member) > 0 || (linkSet >= 0 && stayingSets.count(linkSet) > 0)) continue;
        step.moving.push_back(member);
        if (linkSet < 0 || movingSets.insert(linkSet).second) ++distinct;
    }
    step.bytes = distinct * lengthOfClass(group, step.contentClass);
}

std::vector<CleanupStep> CleanupPlanner::plan(const std::vector<GroupCheck>& groups) const {
    std::vector<CleanupStep> steps;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const GroupCheck& group = groups[g];
        if (group.classes.empty()) continue;
        std::vector<char> protectedFiles;
        for (std::size_t c = 0; c < group.classes.size(); ++c) {
            if (group.distinctFiles(int(c)) < 2) continue;
            if (protectedFiles.empty()) protectedFiles = protectedFilesOf(group);
            CleanupStep step;
            step.group = g;
            step.contentClass = int(c);
            step.keep = bestOf(group, group.classes[c], protectedFiles);
            fillMoving(group, step, protectedFiles);
            if (!step.moving.empty()) steps.push_back(std::move(step));
        }
    }
    refuseCrossings(groups, steps);
    return steps;
}

bool CleanupPlanner::choose(const GroupCheck& group, CleanupStep& step, int keep) const {
    if (!checkedMember(group, keep, step.contentClass)) return false;
    step.keep = keep;
    fillMoving(group, step, protectedFilesOf(group));
    return true;
}

std::string CleanupPlanner::fileKey(const CheckedFile& file) {
    if (file.identity.fileNumber != 0 || file.identity.device != 0)
        return "#" + std::to_string(file.identity.device) + ":" +
               std::to_string(file.identity.fileNumber);
    return file.path();
}

void CleanupPlanner::refuseCrossings(const std::vector<GroupCheck>& groups,
                                     std::vector<CleanupStep>& steps) {
    // The steps that would move each file, and the files some step keeps.
    // Refusing a step keeps its files too, which may refuse more steps: each
    // file kept is followed once, so the whole plan costs one pass.
    std::unordered_map<std::string, std::vector<std::size_t>> movers;
    std::unordered_set<std::string> kept;
    std::vector<std::string> toFollow;
    const auto keep = [&](std::string key) {
        if (kept.insert(key).second) toFollow.push_back(std::move(key));
    };
    for (CleanupStep& step : steps)
        if (step.refusal == kCrossingRefusal) step.refusal.clear();
    std::vector<char> moving;  // by file of the step's group; all zero between steps
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const CleanupStep& step = steps[s];
        const GroupCheck& group = groups[step.group];
        if (moving.size() < group.files.size()) moving.resize(group.files.size(), 0);
        if (step.refusal.empty())
            for (const int member : step.moving) moving[std::size_t(member)] = 1;
        for (const int member : group.classes[std::size_t(step.contentClass)]) {
            std::string key = fileKey(group.files[std::size_t(member)]);
            if (moving[std::size_t(member)] != 0)
                movers[key].push_back(s);
            else
                keep(std::move(key));
        }
        for (const int member : step.moving) moving[std::size_t(member)] = 0;
    }
    while (!toFollow.empty()) {
        const std::string key = std::move(toFollow.back());
        toFollow.pop_back();
        const auto found = movers.find(key);
        if (found == movers.end()) continue;
        for (const std::size_t s : found->second) {
            CleanupStep& step = steps[s];
            if (!step.refusal.empty()) continue;
            step.refusal = kCrossingRefusal;
            const GroupCheck& group = groups[step.group];
            for (const int member : step.moving) keep(fileKey(group.files[std::size_t(member)]));
        }
    }
}

std::uint64_t CleanupPlanner::totalBytes(const std::vector<CleanupStep>& steps) {
    std::uint64_t bytes = 0;
    for (const CleanupStep& step : steps)
        if (step.refusal.empty()) bytes += step.bytes;
    return bytes;
}

std::size_t CleanupPlanner::totalFiles(const std::vector<CleanupStep>& steps) {
    std::size_t files = 0;
    for (const CleanupStep& step : steps)
        if (step.refusal.empty()) files += step.moving.size();
    return files;
}
