// SPDX-License-Identifier: MIT
#include "engine/LoadedGroups.h"

#include <functional>

void LoadedGroups::reserve(std::size_t groups, std::size_t maskSize) {
    masks_.reserve(groups * maskSize);
    maskStart_.reserve(groups + 1);
    std::size_t slots = 16;
    while (slots < 2 * groups) slots *= 2;
    if (slots > slots_.size()) {
        slots_.assign(slots, kNone);
        // Groups added before are placed again.
        for (std::uint32_t group = 0; group < this->groups(); ++group)
            slots_[slotOf(maskOf(group))] = group;
    }
}

std::string_view LoadedGroups::maskOf(std::uint32_t group) const {
    return std::string_view(masks_).substr(maskStart_[group],
                                           maskStart_[group + 1] - maskStart_[group]);
}

std::size_t LoadedGroups::slotOf(std::string_view mask) const {
    const std::size_t last = slots_.size() - 1;  // a power of two, less one
    std::size_t slot = std::hash<std::string_view>()(mask) & last;
    while (slots_[slot] != kNone && maskOf(slots_[slot]) != mask) slot = (slot + 1) & last;
    return slot;
}

void LoadedGroups::grow() {
    // At most half the slots are taken, so that a search ends soon.
    if (2 * (groups() + 1) > slots_.size()) reserve(2 * (groups() + 1), 0);
}

std::uint32_t LoadedGroups::addGroup(std::string_view mask) {
    grow();
    const std::size_t slot = slotOf(mask);
    if (slots_[slot] != kNone) return kNone;
    if (maskStart_.empty()) maskStart_.push_back(0);
    const auto group = static_cast<std::uint32_t>(groups());
    masks_.append(mask.data(), mask.size());
    maskStart_.push_back(static_cast<std::uint32_t>(masks_.size()));
    slots_[slot] = group;
    return group;
}

std::uint32_t LoadedGroups::find(std::string_view mask) const {
    return slots_.empty() ? kNone : slots_[slotOf(mask)];
}

void LoadedGroups::addFile(std::uint32_t group, const ContentCache::Entry* row) {
    fileGroup_.push_back(group);
    fileRow_.push_back(row != nullptr ? static_cast<std::uint32_t>(rows_.size()) : kNone);
    if (row != nullptr) rows_.push_back(*row);
}

void LoadedGroups::arrange() {
    // A counting sort: the files of each group after those of the groups
    // before it, in the order they came.
    groupStart_.assign(groups() + 1, 0);
    for (const std::uint32_t group : fileGroup_) ++groupStart_[group + 1];
    for (std::size_t g = 1; g < groupStart_.size(); ++g) groupStart_[g] += groupStart_[g - 1];
    std::vector<std::uint32_t> next(groupStart_.begin(), groupStart_.end() - 1);
    order_.assign(fileGroup_.size(), 0);
    for (std::size_t file = 0; file < fileGroup_.size(); ++file)
        order_[next[fileGroup_[file]]++] = fileRow_[file];
    std::vector<std::uint32_t>().swap(fileGroup_);
    std::vector<std::uint32_t>().swap(fileRow_);
}

std::size_t LoadedGroups::files(std::uint32_t group) const {
    if (group + std::size_t(1) >= groupStart_.size()) return 0;
    return groupStart_[group + 1] - groupStart_[group];
}

const ContentCache::Entry* LoadedGroups::row(std::uint32_t group, std::size_t file) const {
    if (file >= files(group)) return nullptr;
    const std::uint32_t index = order_[groupStart_[group] + file];
    return index == kNone ? nullptr : &rows_[index];
}

void LoadedGroups::setRow(std::uint32_t group, std::size_t file, const ContentCache::Entry& row) {
    if (file >= files(group)) return;
    std::uint32_t& index = order_[groupStart_[group] + file];
    if (index == kNone) {
        index = static_cast<std::uint32_t>(rows_.size());
        rows_.push_back(row);
    } else {
        rows_[index] = row;
    }
}
