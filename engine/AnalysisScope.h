// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CSqliteDB;
struct GroupCheck;

// What an analysis covers, and which files are never removed.
//
// Empty (the default) means every drive, as an analysis always did. With
// folders listed (program form, each ending in a backslash) an analysis walks
// those folders only, each as a drive root is walked; a folder inside another
// listed folder is walked once, with it. A listed folder may be protected:
// its files are kept, never offered for removal, and count as the copy that
// stays. The whole-computer choice walks every drive again while the list
// keeps its protected marks. "Across" keeps only the duplicate sets that hold
// files of two listed folders at least; it applies only to a scope of folders.
//
// Two scopes are stored in the database, in tables of their own beside the
// file tables (which never refer to them):
//   LANBROOK_SCOPE (SCOPE, FNAME, PROTECTED)   the listed folders
//   LANBROOK_SCOPE_SET (SCOPE, WHOLE, ACROSS)  the two choices
// SCOPE 'CHOSEN' is the user's choice in the window, which the next analysis
// walks; 'ANALYSED' is the scope the statistics index was built from, which
// the views, the content check and the console summary describe. A database
// without the tables holds two empty scopes; reading never creates them.
//
// Paths compare byte for byte, ASCII letters without regard to case where
// the platform's paths ignore case (folders are then stored upper-cased).
class AnalysisScope {
public:
    struct Folder {
        std::string path;  // program form, ending in a backslash
        bool isProtected = false;
    };
    enum class Stored { Chosen, Analysed };

    // Lists `folder` (a trailing backslash is added). A folder listed already
    // keeps its place and becomes protected when either says so. An empty
    // text is ignored.
    void addFolder(std::string folder, bool isProtected);
    // False when the folder is not listed.
    bool removeFolder(const std::string& folder);
    // False when the folder is not listed.
    bool setProtected(const std::string& folder, bool isProtected);
    void setWholeComputer(bool whole);
    void setAcross(bool across) { across_ = across; }

    const std::vector<Folder>& folders() const { return folders_; }
    bool wholeComputer() const { return wholeComputer_; }
    bool across() const { return across_; }

    // True when an analysis walks every drive: the whole computer is chosen,
    // or no folder is listed.
    bool coversEveryDrive() const { return wholeComputer_ || folders_.empty(); }
    // The folders an analysis walks, in list order: every listed folder that
    // lies inside no other listed folder, each once. Empty for every drive.
    const std::vector<std::string>& roots() const { return roots_; }
    // The position in roots() of the root that holds `path` (a folder or file
    // path); -1 when none does, and always -1 for every drive.
    int rootOf(std::string_view path) const;
    // Whether `path` lies in the scope: always when it covers every drive.
    bool holds(std::string_view path) const;
    // Whether only sets across two listed folders count.
    bool matchesAcross() const { return across_ && !coversEveryDrive(); }
    // Whether `path` lies in a protected folder (the folder itself included).
    bool isProtected(std::string_view path) const;
    bool hasProtectedFolders() const;

    // The same folders walked and the same across rule: an index built from
    // one scope is the other's.
    bool sameSelection(const AnalysisScope& other) const;
    bool operator==(const AnalysisScope& other) const;
    bool operator!=(const AnalysisScope& other) const { return !(*this == other); }

    // Drops from each group the files that lie outside the scope.
    void keepFilesInside(std::vector<GroupCheck>& groups) const;
    // The stored scope `which` of the database `databasePath` (program form),
    // read over a connection of its own that waits a moment for another
    // program's write. False, `out` untouched, when it cannot be read.
    [[nodiscard]] static bool loadFrom(const std::string& databasePath, Stored which,
                                       AnalysisScope& out);
    // Drops from each group the files outside the analysed scope of the
    // database `databasePath`. False, with the groups untouched, when the
    // scope cannot be read.
    [[nodiscard]] static bool keepAnalysedFiles(const std::string& databasePath,
                                                std::vector<GroupCheck>& groups);

    // `folder` (ending in a backslash) and each folder above it up to its
    // drive root: "C:\a\b\" gives C:\a\b\, C:\a\, C:\ (the scans whose
    // record covers a scan of `folder`).
    static std::vector<std::string> foldersAbove(const std::string& folder);

    // Replaces this scope by the stored one. A database without the tables
    // gives an empty scope. False, with this scope left as it was, when they
    // exist but cannot be read.
    [[nodiscard]] bool load(CSqliteDB& database, Stored which);
    // Replaces the stored scope by this one in one transaction, creating the
    // tables when missing. With `forgetIndex` the index is marked as not built
    // from the current file rows (LANBROOK_GENERATION), in the same
    // transaction. Storing an empty scope where none is stored writes nothing.
    [[nodiscard]] bool save(CSqliteDB& database, Stored which, bool forgetIndex = false) const;
    // The chosen scope, with the protected folders of the analysed scope
    // added: the files the window must not offer for removal are those the
    // user protects now and those protected when the result shown was made.
    [[nodiscard]] bool loadProtection(CSqliteDB& database);

private:
    std::vector<Folder>::iterator find(const std::string& folder);
    void updateRoots();

    std::vector<Folder> folders_;
    std::vector<std::string> roots_;  // follows folders_ and wholeComputer_
    bool wholeComputer_ = false;
    bool across_ = false;
};
