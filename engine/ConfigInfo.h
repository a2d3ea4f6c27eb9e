// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Where the database lives: the folder FileInfoData in the user's profile,
// created at construction, and the one database file every connection opens.
// The paths are in program form (C:\Users\ann\FileInfoData\) where a drive
// holds the profile; a POSIX profile that no drive maps gives native paths
// (/home/ann/FileInfoData/), which the file-system seam takes as they are,
// so the database never depends on the drive map. Immutable after
// construction; may be read from any thread.
class ConfigInfo {
public:
    // Reads the profile folder from the environment (USERPROFILE, else HOME
    // on POSIX) and creates the data directory. When neither is set,
    // isValid() is false and the paths are empty.
    ConfigInfo();
    // As above with the profile folder given (program form).
    explicit ConfigInfo(const std::string& profileFolder);
    virtual ~ConfigInfo() = default;

    // The program's one configuration, built on first use; the programs call
    // it before anything else so that it is fixed before any window opens.
    static const ConfigInfo& global();

    bool isValid() const { return valid_; }
    const std::string& getDataDirectory() const { return dataDirectory_; }
    // The data directory as a scan meets it: a profile folder ending in a
    // backslash (a drive root, say) doubles the separator before FileInfoData,
    // which no listed folder path ever holds, so runs of backslashes are
    // collapsed here. This is the folder the scanner must leave out.
    std::string getDataDirectoryAsScanned() const;
    std::string getDatabasePath() const { return databaseBase_ + ".db"; }

    // Rewrites a text into one file name: "=" -> "==", "_" -> "=_", then "\"
    // and ":" -> "__", after appending a backslash when missing.
    static std::string escapeStoreName(std::string name);

private:
    void setUp(const std::string& profileFolder);

    bool valid_ = false;
    std::string dataDirectory_;
    std::string databaseBase_;
};
