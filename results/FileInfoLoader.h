// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/AnalysisScope.h"
#include "engine/FileCategories.h"
#include "results/CPathTree.h"
#include "results/CStreamingFileInfoDB.h"
#include "results/GroupTable.h"

// The result model behind both pages of the main window, for one file
// category at a time: the category's groups (one per row of FILEINFO_IDX whose
// FNAME is in the category, numbered 0, 1, 2 ... in the index's order, most
// wasted bytes first), its two byte totals, and a path tree of every stored
// file of the category whose leaves carry their group number. It also decides
// a file name's category from a fixed table of extensions. Used on one thread;
// the model changes only in loadGroups() and buildPathTree().
//
// Rows are taken from the database as SQLite delivers them, so a refresh never
// holds the raw rows of a million files beside the model built from them.
//
// When the index was built for chosen folders (the analysed AnalysisScope),
// the path tree and a group's files hold the files under those folders only,
// read through statements of their own; rows of files outside them, kept
// for a later, wider analysis, never show.
class FileInfoLoader : public FileCategoryCodes {
public:
    // Category codes (FileCategoryCodes): kAll, kDevelopment ... kPrograms,
    // kCategoryCount.

    // The group number of a path-tree leaf whose MASK is not among the loaded
    // groups (its index row names a file of another category, or the index is
    // older than the file rows). It lies outside 0 .. groupCount() - 1 and is
    // not negative, so the tree page shows it as a file with no figures and no
    // group's files, never as a folder and never as another group.
    static constexpr int kNoGroup = std::numeric_limits<int>::max();

    // The database named by ConfigInfo::global(); not opened yet.
    FileInfoLoader();
    explicit FileInfoLoader(std::string databasePath);
    virtual ~FileInfoLoader();
    FileInfoLoader(const FileInfoLoader&) = delete;
    FileInfoLoader& operator=(const FileInfoLoader&) = delete;

    // True when the database file is readable, opens, and holds FILEINFO_IDX
    // (written by the first completed analysis). Before the first open a
    // damaged file is set aside (CDatabaseRecovery), so the answer is then
    // false and the analysis makes a new database. Opening creates the basic
    // tables of a new file; the connection stays open for later calls.
    bool isDatabaseReady();

    // Rebuilds the extension table from the nine constant lists. Until the
    // first call every name is in category 4 (and 0).
    void loadCategoryTable();

    // Whether `nameWithBar` (a file name with "|" appended) is in `code`.
    // Code 0 holds every name. Otherwise the key runs from the last dot before
    // the last "|" through that "|", upper-cased in ASCII; a key in the table
    // gives its list's code, any other key or no dot gives 4. A text without
    // any "|" is taken as a bare name.
    bool isInCategory(int code, const std::string& nameWithBar) const;

    // Loads the groups of `code` and their byte totals, and empties the path
    // tree (buildPathTree() fills it); reads the analysed scope too. False,
    // with the model left empty, when the index or the scope cannot be read
    // (no connection, no FILEINFO_IDX). Rows that do not have exactly three
    // columns are skipped.
    bool loadGroups(int code);

    // Rebuilds the path tree from every stored file of `code`: folder path +
    // file name, the leaf carrying its MASK's loaded group or kNoGroup. False,
    // with the tree empty, when the files cannot be read.
    bool buildPathTree(int code);

    // A copy of group `index`: {FNUM, MASK, FNAME}. Throws the bare text
    // "FileInfoLoader::GetFileInfo: index not exist/0" (a const char*) when
    // `index` is outside 0 .. groupCount() - 1.
    GroupTable::Row GetFileInfo(int index) const;

    // The full paths of every stored file with `mask`, of any category, in
    // the database's order; empty when the query fails. Asks the database
    // afresh each time.
    std::vector<std::string> getGroupFiles(const std::string& mask);

    // FileUtility::formatSize of the totals ("0 B" for an empty category).
    std::string getTotalSizeText() const;
    std::string getDuplicateSizeText() const;

    int groupCount() const { return groups_.size(); }
    // The loaded group number of `mask`, or -1 when no loaded group has it.
    int groupOf(std::string_view mask) const { return groups_.find(mask); }
    // Sum over the loaded groups of FNUM x size.
    std::int64_t totalBytes() const { return totalBytes_; }
    // Sum over the loaded groups with FNUM > 1 of (FNUM - 1) x size.
    std::int64_t duplicateBytes() const { return duplicateBytes_; }
    const CPathTree& pathTree() const { return pathTree_; }
    // The folders the loaded result describes, as of the last loadGroups().
    const AnalysisScope& scope() const { return scope_; }
    // The loader's connection, which the tree page's ignore action writes through.
    CFileInfoDB& database() { return database_; }

private:
    int categoryOf(std::string_view name) const;
    void clearGroups();

    std::unique_ptr<FileCategories> categories_;  // null until loadCategoryTable()
    GroupTable groups_;
    std::int64_t totalBytes_ = 0;
    std::int64_t duplicateBytes_ = 0;
    CPathTree pathTree_;
    AnalysisScope scope_;
    CStreamingFileInfoDB database_;
};
