// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/cli/DuplicateSets.h"

class FolderSets;
class LargestFolders;
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

// The summary with every duplicate set added under "sets", written as the
// sets come, so that a million files never stand in memory as JSON at once:
// beginJsonSets writes `summaryText` (as summaryJson gives it) without its
// closing brace and opens the array, writeJsonSet writes one set (size,
// count, waste, mask and files: path, path_bytes where needed, protected
// when it is, link_set for a hard link), endJsonSets closes both. With
// `folders`, endJsonSets adds "folder_sets" (each with folders: their paths
// as the files' paths are written; files and bytes of one folder; freed:
// the bytes that keeping the first frees) and "redundant_folders" (each
// with path, files, bytes and copies_in: path and bytes of the folders
// holding its copies) before the closing brace.
void beginJsonSets(std::FILE* out, const std::string& summaryText);
void writeJsonSet(std::FILE* out, const DuplicateSets::Set& set, bool first);
// With `largest`, it adds "folders" too: each with path, disk_usage, size,
// files and, when they were verified, copied_elsewhere.
void endJsonSets(std::FILE* out, bool anySet, const FolderSets* folders = nullptr,
                 const LargestFolders* largest = nullptr);
