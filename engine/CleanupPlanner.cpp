// SPDX-License-Identifier: MIT
#include "engine/CleanupPlanner.h"

#include <algorithm>
#include <unordered_map>
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

int distinctFiles(const GroupCheck& group, std::size_t contentClass) {
    return group.linkSets.empty() ? int(group.classes[contentClass].size())
                                  : group.distinctFiles(int(contentClass));
}

// A file as fileKey() tells it, without a text per file: its identity, or
// where the check took none, the number of its path in `paths`.
struct FileId {
    bool byPath = false;
    std::uint64_t device = 0;
    std::uint64_t number = 0;

    bool operator==(const FileId& other) const {
        return byPath == other.byPath && device == other.device && number == other.number;
    }
    bool operator<(const FileId& other) const {
        if (byPath != other.byPath) return byPath < other.byPath;
        return device != other.device ? device < other.device : number < other.number;
    }
};

FileId idOf(const CheckedFile& file, std::unordered_map<std::string, std::uint64_t>& paths) {
    if (file.identity.fileNumber != 0 || file.identity.device != 0)
        return {false, file.identity.device, file.identity.fileNumber};
    return {true, 0, paths.emplace(file.path(), paths.size()).first->second};
}

// One name in one step: which file, and whether the step moves it.
struct StepMember {
    FileId file;
    std::size_t step = 0;
    bool moving = false;
};

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
    // Rank lists reused from class to class: a plan ranks hundreds of
    // thousands of files.
    thread_local std::vector<long long> bestRanks, ranks;
    bestRanks.resize(rules_.size());
    ranks.resize(rules_.size());
    int best = -1;
    for (const int member : members) {
        const CheckedFile& file = group.files[std::size_t(member)];
        for (std::size_t r = 0; r < rules_.size(); ++r)
            ranks[r] = rules_[r].rank(file, protectedFiles[std::size_t(member)] != 0);
        // Members come in group order, so a full tie keeps the first.
        if (best < 0 || ranks < bestRanks) {
            best = member;
            std::swap(ranks, bestRanks);
        }
    }
    return best;
}

void CleanupPlanner::fillMoving(const GroupCheck& group, CleanupStep& step,
                                const std::vector<char>& protectedFiles) const {
    const std::vector<int>& members = group.classes[std::size_t(step.contentClass)];
    const auto staysItself = [&](int member) {
        return member == step.keep || protectedFiles[std::size_t(member)] != 0;
    };
    // A file stays with all its names when any of them stays: the kept one,
    // or one in a protected folder.
    std::vector<char> stayingSets(group.linkSets.size(), 0), movingSets(group.linkSets.size(), 0);
    const auto linkSetOf = [&](int member) {
        const int linkSet = group.files[std::size_t(member)].linkSet;
        return linkSet >= 0 && std::size_t(linkSet) < stayingSets.size() ? linkSet : -1;
    };
    for (const int member : members)
        if (staysItself(member) && linkSetOf(member) >= 0)
            stayingSets[std::size_t(linkSetOf(member))] = 1;
    step.moving.clear();
    std::uint64_t distinct = 0;
    for (const int member : members) {
        const int linkSet = linkSetOf(member);
        if (staysItself(member) || (linkSet >= 0 && stayingSets[std::size_t(linkSet)] != 0))
            continue;
        step.moving.push_back(member);
        if (linkSet < 0 || movingSets[std::size_t(linkSet)] == 0) ++distinct;
        if (linkSet >= 0) movingSets[std::size_t(linkSet)] = 1;
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
            if (distinctFiles(group, c) < 2) continue;
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
    for (CleanupStep& step : steps)
        if (step.refusal == kCrossingRefusal) step.refusal.clear();
    // Every name of every step, sorted by file: the names of one file lie
    // side by side, and a file is found again by a binary search.
    std::unordered_map<std::string, std::uint64_t> paths;
    std::vector<StepMember> members;
    std::vector<char> moving;  // by file of the step's group; all zero between steps
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const CleanupStep& step = steps[s];
        const GroupCheck& group = groups[step.group];
        if (moving.size() < group.files.size()) moving.resize(group.files.size(), 0);
        if (step.refusal.empty())
            for (const int member : step.moving) moving[std::size_t(member)] = 1;
        for (const int member : group.classes[std::size_t(step.contentClass)])
            members.push_back({idOf(group.files[std::size_t(member)], paths), s,
                               moving[std::size_t(member)] != 0});
        for (const int member : step.moving) moving[std::size_t(member)] = 0;
    }
    std::sort(members.begin(), members.end(),
              [](const StepMember& a, const StepMember& b) { return a.file < b.file; });
    const auto firstOf = [&](const FileId& file) {
        return std::size_t(
            std::lower_bound(members.begin(), members.end(), file,
                             [](const StepMember& m, const FileId& f) { return m.file < f; }) -
            members.begin());
    };
    // A file some step keeps refuses every step that would move it, which
    // keeps that step's files too: each file kept is followed once.
    std::vector<char> kept(members.size(), 0);  // by the first entry of a file
    std::vector<std::size_t> toFollow;
    for (std::size_t i = 0, j = 0; i < members.size(); i = j) {
        bool keptHere = false;
        for (j = i; j < members.size() && members[j].file == members[i].file; ++j)
            keptHere = keptHere || !members[j].moving;
        if (keptHere) toFollow.push_back(i);
        kept[i] = keptHere ? 1 : 0;
    }
    while (!toFollow.empty()) {
        const std::size_t first = toFollow.back();
        toFollow.pop_back();
        for (std::size_t j = first; j < members.size() && members[j].file == members[first].file;
             ++j) {
            CleanupStep& step = steps[members[j].step];
            if (!members[j].moving || !step.refusal.empty()) continue;
            step.refusal = kCrossingRefusal;
            const GroupCheck& group = groups[step.group];
            for (const int member : step.moving) {
                const std::size_t other = firstOf(idOf(group.files[std::size_t(member)], paths));
                if (kept[other] != 0) continue;
                kept[other] = 1;
                toFollow.push_back(other);
            }
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
