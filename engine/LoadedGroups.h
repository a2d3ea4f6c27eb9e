// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ContentCache.h"

// What one pass over the file table loaded for the content check: the
// groups by MASK, and for each of their files the cache row it had then
// (or none). A check looks a file's row up here instead of asking the
// database. Everything lives in a few flat arrays, so that the rows of a
// million files take no allocation each and are freed at once (a stopping
// check does not wait for them).
//
// Filled in two steps: addGroup() for each group, then addFile() for each
// file in the order they come, then arrange(); row() answers after that.
class LoadedGroups {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Makes room for `groups` groups of masks of about `maskSize` bytes.
    void reserve(std::size_t groups, std::size_t maskSize);
    // Adds the group of `mask`; its number (0, 1, ...), or kNone when the
    // mask was added before.
    std::uint32_t addGroup(std::string_view mask);
    // The number of the group of `mask`; kNone when it was not added.
    std::uint32_t find(std::string_view mask) const;
    std::size_t groups() const { return maskStart_.empty() ? 0 : maskStart_.size() - 1; }

    // The next file of group `group`, with its cache row (null: none).
    void addFile(std::uint32_t group, const ContentCache::Entry* row);
    // Puts the files in order by group; their order within one group stays.
    void arrange();

    // The files of `group` that were loaded.
    std::size_t files(std::uint32_t group) const;
    // The cache row loaded with file `file` of `group`; null when it had none.
    const ContentCache::Entry* row(std::uint32_t group, std::size_t file) const;
    // Replaces that row (a hash made since).
    void setRow(std::uint32_t group, std::size_t file, const ContentCache::Entry& row);

private:
    std::string_view maskOf(std::uint32_t group) const;
    // The slot that holds `mask`, or the empty slot where it would go.
    std::size_t slotOf(std::string_view mask) const;
    void grow();

    std::string masks_;                     // every mask, one after the other
    std::vector<std::uint32_t> maskStart_;  // group -> offset in masks_, and the end
    std::vector<std::uint32_t> slots_;      // open addressing: group numbers, kNone when empty

    std::vector<ContentCache::Entry> rows_;  // the rows files had, in the order they came
    std::vector<std::uint32_t> fileGroup_;   // file (as it came) -> its group
    std::vector<std::uint32_t> fileRow_;     // file (as it came) -> index in rows_, or kNone
    std::vector<std::uint32_t> groupStart_;  // after arrange(): group -> first in order_
    std::vector<std::uint32_t> order_;       // after arrange(): files by group
};
