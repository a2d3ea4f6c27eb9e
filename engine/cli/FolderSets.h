// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "engine/FolderCopies.h"
#include "engine/FolderInventory.h"
#include "engine/IdenticalFolders.h"

class VerifyRun;

// The identical and redundant folders of the last analysis, found from the
// content check's results (lanbrook-scan --list-folders and the
// "folder_sets" of --json, both after --verify).
class FolderSets {
public:
    // Reads the stored folders and files of the analysed scope and finds
    // the folders, with the classes of every group `verified` kept. False,
    // with `error`, when the database cannot be read.
    [[nodiscard]] bool find(const std::string& databasePath, const VerifyRun& verified,
                            std::string& error);

    // Every set, largest first: "N identical folders, F files, B bytes each,
    // X bytes freed by keeping the first:", each folder on a line, a blank
    // line; then every redundant folder: "Redundant folder, F files, B bytes,
    // every file has a copy elsewhere:", the folder, each folder holding its
    // copies ("  copies in PATH (B bytes)"), a blank line. Paths are native.
    void printText(std::FILE* out) const;

    const FolderInventory& inventory() const { return inventory_; }
    const IdenticalFolders& identical() const { return *identical_; }
    // The native path of a folder, without a trailing separator.
    std::string nativePath(std::uint32_t folder) const;

private:
    FolderInventory inventory_;
    std::unique_ptr<FolderCopies> copies_;
    std::unique_ptr<IdenticalFolders> identical_;
};
