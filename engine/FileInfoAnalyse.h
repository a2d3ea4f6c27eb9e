// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Builds the statistics index FILEINFO_IDX from the file rows: one row per
// distinct MASK with the number of files carrying it, the bytes their extra
// copies take ((count - 1) x the size the MASK encodes) and the name of the
// file with the smallest ID among them. The rows are written so that ID 1 is
// the group that wastes most; equal waste puts the larger count first, then
// the larger MASK. Used for one build, then destroyed.
class FileInfoAnalyse {
public:
    FileInfoAnalyse() = default;
    virtual ~FileInfoAnalyse() = default;
    FileInfoAnalyse(const FileInfoAnalyse&) = delete;
    FileInfoAnalyse& operator=(const FileInfoAnalyse&) = delete;

    // Reads every file row over a connection of its own and rewrites the
    // index. When no file row changed since the index was built (the file
    // rows' generation, kept by triggers, is the one the index was built
    // from, and the index is untouched) nothing is read and the index stays.
    // False, the index left as it was, when the file rows cannot be read;
    // true otherwise, also when writing the index failed.
    bool buildIndex();
    // Whether the index holds what the last buildIndex() found: rewritten
    // completely, or known to be current.
    bool indexWritten() const { return indexWritten_; }

    // The index entry of one group: the waste right-aligned in 32 characters,
    // "|", the count right-aligned in 8, "|", the MASK, "|", the name. Sorted
    // as bytes, entries come in ascending order of waste, then count, MASK.
    static std::string formatEntry(std::int64_t waste, int count, std::string_view mask,
                                   std::string_view name);
    // The size the first eight characters of a MASK encode (four bytes, least
    // significant first); 0 when they are not hexadecimal digits.
    static std::uint32_t sizeFromMask(std::string_view mask);

    // Counts one file row; rows come in ascending ID order.
    void addRow(const char* mask, const char* name);

private:
    struct Group {
        std::string name;  // of the first row met, the one with the smallest ID
        int count = 0;
    };

    // The index entries of the groups, sorted; the groups are taken out of
    // the map one by one as their entries are made, so both never stand in
    // memory in full at once.
    std::vector<std::string> takeSortedEntries();

    // MASK -> its group. The entries are sorted afterwards, so the map needs no order.
    std::unordered_map<std::string, Group> masks_;
    std::string key_;  // the MASK being looked up
    bool indexWritten_ = false;
};
