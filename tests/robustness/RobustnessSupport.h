// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ScanProcess.h"

// A drive of its own for runs of the console runner, in a fresh folder under
// /tmp that every user may enter (so a child without privileges can scan it):
// C: is <root>/drive and the profile <root>/drive/profile, so the database is
// <root>/drive/profile/FileInfoData/FileInfo__.db. Removed, whatever its
// depth, names or permissions, by the destructor.
class ScanDrive {
public:
    ScanDrive();
    ~ScanDrive();
    ScanDrive(const ScanDrive&) = delete;
    ScanDrive& operator=(const ScanDrive&) = delete;

    // Native path of `relative` ('/' separators) below the drive's root.
    std::string native(const std::string& relative = "") const;
    std::string databasePath() const;
    void writeFile(const std::string& relative, const std::string& content) const;
    void makeFolder(const std::string& relative) const;
    void setModificationTime(const std::string& relative, std::int64_t seconds) const;
    // Hands every file and folder to the unprivileged user (when this process is root).
    void giveToNobody() const;

    // Options of a quiet run (-q) over this drive, or with the folder lines
    // printed when `verbose`.
    ScanProcess::Options options(bool verbose = false) const;

private:
    std::string root_;
};

// What a scan leaves in a database, in a form that two databases can be
// compared by: identifiers left out, except that the index keeps its order.
struct DatabaseImage {
    std::vector<std::string> folders;  // "FNAME|FTIME|FLEVEL", sorted
    std::vector<std::string> files;    // "folder FNAME + file FNAME|MASK|FTIME", sorted
    std::vector<std::string> index;    // "FTSIZE|FNUM|MASK" in ID order
    std::map<std::string, std::string> indexNames;  // MASK -> FNAME of the index
    std::size_t orphanFiles = 0;                    // file rows whose folder row is gone
};

// Reads the image through a connection of its own (native path).
DatabaseImage readImage(const std::string& databasePath);
// Full path (folder FNAME + file FNAME) -> MASK of every stored file whose
// folder row exists; the texts exactly as stored, whatever bytes they hold.
std::map<std::string, std::string> storedFileMasks(const std::string& databasePath);
// FNAME of every stored folder.
std::vector<std::string> storedFolderNames(const std::string& databasePath);
// The first line PRAGMA integrity_check gives ("ok" for a sound file), or SQLite's error.
std::string integrityCheck(const std::string& databasePath);
// Runs one statement, for tests that change the database from outside.
void executeOn(const std::string& databasePath, const std::string& sql);

// Removes a folder and everything below it through descriptors, so that
// trees deeper than any path the system accepts and folders without
// permissions go too. Holds one descriptor at a time.
void removeTree(const std::string& path);

// Makes `depth` nested folders named `name` below the folder `parent`
// (native), each reached through its parent's descriptor, so the chain may
// go past the longest path the system accepts. `fileName` (when not empty)
// is written into every folder of the chain with the content of its depth.
void makeFolderChain(const std::string& parent, const std::string& name, int depth,
                     const std::string& fileName = "");
