// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file-system services the engine relies on. Every path here is in the
// program's own form: a drive root such as C:\, backslash separators. On
// Windows that is the native form; on POSIX systems a drive map (environment
// variable LANBROOK_DRIVES, default "C:=/") turns it into native paths and
// back at every call, so no other code knows native paths.
namespace platform {

// True where the file system ignores the case of ASCII letters (Windows):
// folder paths are then upper-cased and path comparisons fold case.
[[nodiscard]] bool pathsIgnoreCase();

// The root of every logical drive ("C:\"), in the system's order.
std::vector<std::string> logicalDrives();

struct FolderEntry {
    std::string name;
    bool isDirectory = false;
};

// Lists every entry of `folder` (a path ending in a backslash) once, "." and
// ".." included. On POSIX only real directories and regular files are
// reported; links, FIFOs, sockets, devices and names holding a backslash are
// left out. Returns false, with `entries` empty, when the folder cannot be read.
[[nodiscard]] bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Local last-write time of a file or folder, broken into its parts.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
[[nodiscard]] bool lastWriteTime(const std::string& path, LocalTime& time);

class OpenFolder;
// The same two for a folder held open, without resolving its path again.
[[nodiscard]] bool listFolder(const OpenFolder& folder, std::vector<FolderEntry>& entries);
[[nodiscard]] bool lastWriteTime(const OpenFolder& folder, LocalTime& time);

// Modification time of a file in seconds since 1970-01-01 00:00 UTC.
[[nodiscard]] bool modificationTime(const std::string& path, std::int64_t& seconds);

[[nodiscard]] bool pathExists(const std::string& path);

// Creates one folder whose parent exists; false when it exists already or fails.
[[nodiscard]] bool makeDirectory(const std::string& path);

// The native path of a program path, for the few libraries that open files
// themselves (SQLite). An empty result means the path names no mapped drive.
// A native absolute path (on POSIX one beginning with '/', such as the data
// directory of a profile that no drive maps) is returned as it is.
std::string toNativePath(const std::string& path);

// The program form of a native path; false when no drive maps it or a name in
// it cannot be written in that form.
[[nodiscard]] bool fromNativePath(const std::string& native, std::string& path);

// The user's profile folder: USERPROFILE, else (POSIX) HOME. In program form
// where a drive maps it; on POSIX a native folder that no drive maps is
// given as it is ("/home/ann"), so the database never depends on the drive
// map. False when neither variable is set.
[[nodiscard]] bool userProfileFolder(std::string& folder);

// Where userProfileFolder() looks, in words for a message to the user.
const char* userProfileSource();

// Folders of the operating system that are never scanned, beyond those the
// environment names (program form, each ending in a backslash).
std::vector<std::string> systemFolders();

}  // namespace platform
