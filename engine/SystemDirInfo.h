// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// The folders a scan never enters: those named by the program-folder,
// system-folder and application-data environment variables, the operating
// system's own folders where the platform has them, and whatever the scanner
// adds (the data directory, the user's ignored folders).
class SystemDirInfo {
public:
    SystemDirInfo();
    virtual ~SystemDirInfo() = default;

    // Appends `folder` with a trailing backslash (an empty text becomes "\");
    // a null folder is ignored. Duplicates stand twice.
    void addDirectory(const char* folder);

    // Removes the entries that are `folder` itself or hold it: a folder
    // asked for by name (a drive's root, a chosen folder) is walked even
    // where it lies inside a system folder, as a drive mapped there is.
    void dropContaining(const std::string& folder);

    // True when an entry equals the beginning of `path`: the entry's folder
    // itself or anything below it. ASCII case is ignored only where the
    // platform's paths ignore it.
    [[nodiscard]] bool matches(const char* path) const;

    const std::vector<std::string>& directories() const { return directories_; }

private:
    std::vector<std::string> directories_;
};
