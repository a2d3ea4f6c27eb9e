// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct GroupCheck;

// What content checks found, kept per file row for the folder computations:
// each checked file's class (files of one class hold the same bytes) and its
// set of names of one file (hard links). A group checked again replaces what
// its earlier check said. The checks themselves come from a ContentChecker
// (the window's queue, the console's --verify); this only remembers them.
class CheckedContent {
public:
    static constexpr std::uint64_t kNone = ~std::uint64_t(0);

    // What the check said of one file row.
    struct Answer {
        // The class, a number shared by the files of one content (the same
        // for a file and its hard links); kNone when the check could not say
        // (the file changed or could not be read).
        std::uint64_t contentClass = kNone;
        // The names of one file share this number; kNone for a file with one name.
        std::uint64_t linkSet = kNone;
        std::uint64_t length = 0;  // the class's 64-bit length
    };

    // Takes the result of one checked group; a group the check did not
    // finish (Unchecked) is taken as not checked and forgets an earlier result.
    void add(const GroupCheck& group);
    void clear();

    // Whether the group of `mask` has a result.
    bool hasGroup(std::string_view mask) const;
    // The answer for the file row (FILEINFO_FIF.FOLDERID, FNAME); null when
    // its group was not checked or the row was not in it.
    const Answer* find(std::int64_t folderId, std::string_view name) const;
    std::size_t groupCount() const { return groups_.size(); }
    // The MASK of every group with a result.
    std::vector<std::string> masks() const;

private:
    static std::string keyOf(std::int64_t folderId, std::string_view name);
    void forgetGroup(const std::string& mask);

    struct Group {
        std::uint64_t number = 0;
        std::vector<std::string> rows;  // keys of its files
    };
    std::unordered_map<std::string, Group> groups_;  // MASK -> its result
    std::unordered_map<std::string, Answer> answers_;
    std::uint64_t nextGroup_ = 0;
};
