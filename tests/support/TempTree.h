// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Every test process works inside one scratch folder, mapped as drive C:
// (LANBROOK_DRIVES) and holding the user profile (USERPROFILE = C:\profile),
// so the database of the process lives at C:\profile\FileInfoData\FileInfo__.db.
// On Windows the scratch folder lies under %TEMP% and is reached by its
// native path, the program's own form there; the drives are the system's.
// prepareScratchEnvironment() sets this up; the test main calls it before
// anything reads the configuration.
namespace testsupport {

// Creates the scratch folder once and sets the environment; returns its native path.
const std::string& prepareScratchEnvironment();

// Removes the process's database file (and its journal), for a fresh start.
void removeDatabase();

// Native path of the database file.
std::string databaseNativePath();

// The scratch profile folder (USERPROFILE) in program form: C:\profile
// through the POSIX drive map, the native path on Windows.
std::string profilePath();

}  // namespace testsupport

// A real folder tree for one test, created under the scratch folder and
// removed by the destructor. Paths given to its members are relative, with
// '/' separators; drivePath() gives the program form (C:\tree-N\a\b).
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }  // native, no trailing slash
    std::string native(const std::string& relative) const;
    std::string drivePath(const std::string& relative) const;

    void makeFolder(const std::string& relative) const;
    void writeFile(const std::string& relative, const std::string& content) const;
    // Sets the modification time (seconds since 1970 UTC) of a file or folder.
    void setModificationTime(const std::string& relative, std::int64_t seconds) const;

private:
    std::string root_;
    std::string name_;
};
