// SPDX-License-Identifier: MIT
#include "bench/loader/SyntheticFiles.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Random.h"
#include "storage/CFileInfoDB.h"

namespace {

// Repeated entries set the mix: 8 of 40 pictures, 10 development, 13 other.
const char* const kExtensions[] = {
    ".jpg",  ".jpg", ".JPG", ".png", ".png", ".gif",   ".bmp",  ".jpg",  // pictures
    ".cpp",  ".h",   ".h",   ".c",   ".xml", ".js",    ".java", ".obj",  ".class", ".ico", ".pdf",
    ".docx", ".txt", ".log", ".mp3", ".mp4", ".zip",   ".gz",   ".html", ".exe",   "",     ".dat",
    ".json", ".o",   ".md",  ".py",  ".so",  ".cache", ".tmp",  ".bak",  ".db",    ".yaml"};
constexpr std::size_t kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

constexpr std::size_t kFilesPerFolder = 25;
constexpr unsigned kCopyPercent = 20;

struct Content {
    std::uint32_t size;
    std::uint64_t seed;
    std::size_t firstFolder;
    std::string firstName;
    std::int64_t count;
};

std::string maskOf(const Content& content) {
    char text[81];
    const std::uint32_t s = content.size;
    std::snprintf(text, 9, "%02X%02X%02X%02X", s & 0xFFu, s >> 8 & 0xFFu, s >> 16 & 0xFFu,
                  s >> 24 & 0xFFu);
    Random samples(content.seed);
    for (int k = 0; k < 9; ++k)
        std::snprintf(text + 8 + 8 * k, 9, "%08X", static_cast<unsigned>(samples.next()));
    return std::string(text, 80);
}

std::uint32_t drawSize(Random& random) {
    const unsigned shift = 6 + static_cast<unsigned>(random.below(19));  // 64 B .. 16 MiB
    return static_cast<std::uint32_t>((1u << shift) + random.below(1u << shift));
}

// Folder paths in creation order: twenty top folders on C: and D:, every
// other folder below a random earlier one.
std::vector<std::string> makeFolders(Random& random, std::size_t count) {
    std::vector<std::string> folders;
    folders.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i < 20) {
            folders.push_back(std::string(i % 4 == 3 ? "D:\\" : "C:\\") + "Top " +
                              std::to_string(i) + "\\");
            continue;
        }
        const std::string& parent = folders[random.below(i)];
        folders.push_back(parent + "sub-" + std::to_string(i) + "\\");
    }
    return folders;
}

std::string indexEntry(const Content& content) {
    const std::int64_t waste = (content.count - 1) * static_cast<std::int64_t>(content.size);
    char head[64];
    std::snprintf(head, sizeof head, "%32lld|%8lld|", static_cast<long long>(waste),
                  static_cast<long long>(content.count));
    return head + maskOf(content) + "|" + content.firstName;
}

}  // namespace

SyntheticSummary fillSyntheticDatabase(CFileInfoDB& db, std::size_t files, std::uint64_t seed) {
    Random random(seed);
    SyntheticSummary summary;
    const std::size_t folderCount = std::max<std::size_t>(1, files / kFilesPerFolder);
    const std::vector<std::string> folders = makeFolders(random, folderCount);
    std::vector<Content> contents;
    for (std::size_t f = 0; f < folderCount; ++f) {
        if (!db.insertFolder(folders[f])) continue;  // begins the folder's transaction
        const std::string id = db.lastInsertId();
        ++summary.folders;
        const std::size_t first = files * f / folderCount, end = files * (f + 1) / folderCount;
        for (std::size_t n = first; n < end; ++n) {
            const bool copy = !contents.empty() && random.chance(kCopyPercent);
            std::size_t c = copy ? random.below(contents.size()) : contents.size();
            std::string name;
            if (copy && contents[c].firstFolder != f && random.chance(80)) {
                name = contents[c].firstName;
            } else {
                name = "file " + std::to_string(n) + kExtensions[random.below(kExtensionCount)];
            }
            if (!copy) contents.push_back({drawSize(random), random.next(), f, name, 0});
            const std::string mask = maskOf(contents[c]);
            const std::int64_t mtime = 1600000000 + static_cast<std::int64_t>(n);
            // A second copy under one name in one folder takes a name of its own.
            if (!db.insertFile(id, name, mask, mtime) &&
                !db.insertFile(id, "file " + std::to_string(n) + " " + name, mask, mtime))
                continue;
            ++contents[c].count;
            ++summary.files;
        }
        static_cast<void>(db.updateFolderTime("20240102030405006", id));  // commits
    }
    std::vector<std::string> entries;
    entries.reserve(contents.size());
    for (const Content& content : contents)
        if (content.count > 0) entries.push_back(indexEntry(content));
    std::sort(entries.begin(), entries.end());
    db.writeIndex(entries);
    summary.groups = entries.size();
    return summary;
}
