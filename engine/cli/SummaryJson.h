// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

class ScanSummary;
class VerifyRun;

// The summary as one JSON object (lanbrook-scan --json): the totals under
// files_handled, files, groups, duplicate_groups, total_bytes,
// duplicate_bytes and database; `top`, the most wasteful groups with their
// files; with `verified` also verified_duplicate_bytes, groups_by_state and
// each top group's state, classes and file statuses.
//
// Texts are written as UTF-8. A path (or name) that is not valid UTF-8 is
// written with each invalid byte replaced by U+FFFD, and its exact bytes are
// added in hexadecimal under the same key with "_bytes" appended
// ("path_bytes"), so no path is lost.
std::string summaryJson(const ScanSummary& summary, std::uint32_t filesHandled,
                        const std::string& databasePath, const VerifyRun* verified);
