// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Pieces of SQL text built by concatenation inside storage.
namespace sqltext {

// `value` between single quotes, its own quotes doubled.
std::string quoted(std::string value);

// A condition true exactly for the values of `column` that begin with
// `prefix` byte for byte: a half-open range [prefix, bound) that SQLite
// answers from an index on the column, with no character treated as a
// wildcard. The bound is `prefix` with trailing 0xFF bytes dropped and the
// last remaining byte raised by one; when no byte remains there is no upper
// bound.
std::string prefixCondition(const std::string& column, const std::string& prefix);

// True for a decimal integer text such as the database delivers as a rowid:
// an optional '-' and 1 to 19 digits. Anything else is never placed in SQL.
bool isRowId(const std::string& text);

// The leading integer of `text` as the C runtime's atoi family reads it
// (blanks skipped, optional sign, digits; 0 when there are none), saturated
// at the limits instead of overflowing.
std::int64_t leadingInteger(const std::string& text);

// The fields of an index entry "FTSIZE|FNUM|MASK|FNAME": split at the first
// three '|', the name being everything after the third, so a name holding
// '|' (legal in POSIX file names) stays whole. An entry with fewer bars gives
// fewer fields (one more than its bars); the empty entry gives none.
// The fields are views into `entry`.
std::vector<std::string_view> splitIndexEntry(std::string_view entry);

}  // namespace sqltext
