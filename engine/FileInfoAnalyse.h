// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/AnalysisScope.h"

class CFileInfoDB;
// Builds the statistics index FILEINFO_IDX from the file rows: one row per
// distinct MASK with the number of files carrying it, the bytes their extra
// copies take ((count - 1) x the size the MASK encodes) and the name of the
// file with the smallest ID among them. The rows are written so that ID 1 is
// the group that wastes most; equal waste puts the larger count first, then
// the larger MASK. Used for one build, then destroyed.
//
// With a scope of chosen folders (AnalysisScope) only the files under them
// are counted, through a statement of its own; with "across", a group whose
// files all lie under one chosen folder is left out (a single file stays).
// The scope an index was built for is stored as the analysed scope, which
// the views read; the index is built again when the scope changes.
class FileInfoAnalyse {
public:
    // Builds for the scope the index was last built for (the analysed scope
    // stored in the database): a rebuild after files were removed or ignored.
    FileInfoAnalyse() = default;
    // Builds for `scope` and records it as the analysed scope.
    explicit FileInfoAnalyse(const AnalysisScope& scope) : scope_(scope), scopeGiven_(true) {}
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
    // Counts one file row of a scope, rows in any order: `id` is its ID,
    // `root` the position of the chosen folder that holds it.
    void addRow(std::int64_t id, const char* mask, const char* name, int root);

private:
    struct Group {
        std::string name;  // of the row with the smallest ID
        std::int64_t id = 0;
        int count = 0;
        int root = -1;        // the chosen folder of its first row
        bool across = false;  // rows under two chosen folders at least
    };

    // Settles the scope of this build and stores it as the analysed scope
    // when it differs. False when either cannot be done.
    [[nodiscard]] bool settleScope(CFileInfoDB& database);
    // Reads the file rows of the scope into the groups.
    [[nodiscard]] bool readRows(CFileInfoDB& database);

    // The index entries of the groups, sorted; the groups are taken out of
    // the map one by one as their entries are made, so both never stand in
    // memory in full at once.
    std::vector<std::string> takeSortedEntries();

    // MASK -> its group. The entries are sorted afterwards, so the map needs no order.
    std::unordered_map<std::string, Group> masks_;
    std::string key_;  // the MASK being looked up
    bool indexWritten_ = false;
    AnalysisScope scope_;
    bool scopeGiven_ = false;
};
