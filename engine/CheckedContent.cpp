// SPDX-License-Identifier: MIT
#include "engine/CheckedContent.h"

#include <cstdlib>

#include "engine/GroupCheck.h"

std::string CheckedContent::keyOf(std::int64_t folderId, std::string_view name) {
    std::string key = std::to_string(folderId);
    key += '/';  // a folder identifier holds no slash
    key.append(name);
    return key;
}

void CheckedContent::forgetGroup(const std::string& mask) {
    const auto found = groups_.find(mask);
    if (found == groups_.end()) return;
    for (const std::string& row : found->second.rows) answers_.erase(row);
    groups_.erase(found);
}

void CheckedContent::add(const GroupCheck& group) {
    forgetGroup(group.mask);
    if (group.state == GroupState::Unchecked) return;
    Group& kept = groups_[group.mask];
    // Numbers are made of the group's own number and the index of its class
    // or link set: different groups never share one.
    kept.number = nextGroup_++;
    for (const CheckedFile& file : group.files) {
        char* end = nullptr;
        const long long folderId = std::strtoll(file.folderId.c_str(), &end, 10);
        if (end == file.folderId.c_str()) continue;
        Answer answer;
        if (file.status == CheckedFile::Status::Checked && file.contentClass >= 0) {
            const auto index = std::size_t(file.contentClass);
            answer.contentClass = kept.number << 32 | index;
            answer.length =
                index < group.classLengths.size() ? group.classLengths[index] : group.length;
        }
        if (file.linkSet >= 0) answer.linkSet = kept.number << 32 | std::uint64_t(file.linkSet);
        std::string key = keyOf(folderId, file.name);
        kept.rows.push_back(key);
        answers_[std::move(key)] = answer;
    }
}

void CheckedContent::clear() {
    groups_.clear();
    answers_.clear();
}

bool CheckedContent::hasGroup(std::string_view mask) const {
    return groups_.count(std::string(mask)) > 0;
}

const CheckedContent::Answer* CheckedContent::find(std::int64_t folderId,
                                                   std::string_view name) const {
    const auto found = answers_.find(keyOf(folderId, name));
    return found == answers_.end() ? nullptr : &found->second;
}

std::vector<std::string> CheckedContent::masks() const {
    std::vector<std::string> all;
    all.reserve(groups_.size());
    for (const auto& [mask, group] : groups_) all.push_back(mask);
    return all;
}
