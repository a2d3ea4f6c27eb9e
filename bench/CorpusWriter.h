// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "CorpusPlan.h"

// Writes a CorpusPlan below `root`, which must be missing (it is made, with
// any missing parents) or an empty folder.
// File bytes come from each file's content seed, so copies are byte-for-byte
// equal to their sources. Every file and folder gets its planned time (files
// as they are closed, folders at the end, after their entries stopped
// changing them); modes are 0644 and 0755 whatever the umask. On failure it
// reports the path and the system's reason and returns false.
class CorpusWriter {
public:
    CorpusWriter(const CorpusPlan& plan, std::string root);

    [[nodiscard]] bool write();

private:
    [[nodiscard]] bool makeRoot();
    [[nodiscard]] bool makeFolders();
    [[nodiscard]] bool writeFile(const PlannedFile& file);
    [[nodiscard]] bool setFolderTimes();
    [[nodiscard]] bool fail(const std::string& what, const std::string& path) const;

    const CorpusPlan& plan_;
    std::string root_;
    std::vector<std::string> folderPaths_;
    std::vector<unsigned char> buffer_;
};
