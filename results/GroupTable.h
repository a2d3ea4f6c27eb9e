// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The groups of one loaded category: rows of three texts (FNUM, MASK, FNAME)
// numbered 0, 1, 2 ... in the order they were appended, and a lookup from a
// MASK to its group number.
//
// A category of a million groups is held compactly: each row's three texts
// share one allocation, and the lookup is an open-addressing table of group
// numbers hashed on the MASK texts the rows already hold, so no text is kept
// twice. The results are those of an ordered map of rows and a map of MASK
// texts: when a MASK is appended again, the lookup names the later group.
class GroupTable {
public:
    using Row = std::vector<std::string>;  // FNUM, MASK, FNAME

    // Appends a row; its group number is the size() before the call.
    void append(std::string_view fnum, std::string_view mask, std::string_view fname);

    // Removes every row and the whole lookup, releasing their memory.
    void clear();

    int size() const { return static_cast<int>(rows_.size()); }

    // A copy of the three texts of group `index`, which must be in 0 .. size() - 1.
    Row row(int index) const;
    std::string_view fnum(int index) const;
    std::string_view mask(int index) const;
    std::string_view fname(int index) const;

    // The group number of `mask`, or -1 when no row has it.
    int find(std::string_view mask) const;

private:
    // FNUM, MASK and FNAME one after the other in one block, which stays
    // where it is when the vector of entries grows.
    struct Entry {
        std::unique_ptr<char[]> text;
        std::uint32_t fnumLength;
        std::uint32_t maskLength;
        std::uint32_t fnameLength;
    };

    // A slot of the lookup: a group number (-1 when empty) with its MASK's
    // hash and text, so a probe reads no entry and compares a text only when
    // the hashes agree.
    struct Slot {
        std::size_t hash;
        const char* mask;
        std::uint32_t maskLength;
        int group;
    };

    void insertIntoLookup(int index);
    void growLookup();
    std::size_t slotOf(std::string_view mask, std::size_t hash) const;

    std::vector<Entry> rows_;
    std::vector<Slot> slots_;  // size a power of two, never more than half full
    std::size_t used_ = 0;     // slots holding a group
};
