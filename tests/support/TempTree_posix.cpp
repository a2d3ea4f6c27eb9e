// SPDX-License-Identifier: MIT
#include "TempTree.h"

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

const std::string& prepareScratchEnvironment() {
    static const std::string root = [] {
        std::string pattern = (fs::temp_directory_path() / "lanbrook-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        fs::create_directories(pattern + "/profile");
        setenv("LANBROOK_DRIVES", ("C:=" + pattern).c_str(), 1);
        setenv("USERPROFILE", (pattern + "/profile").c_str(), 1);
        // The scratch folder goes when the process ends normally.
        static struct Cleanup {
            std::string path;
            ~Cleanup() {
                std::error_code ignored;
                fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
                fs::remove_all(path, ignored);
            }
        } cleanup{pattern};
        return pattern;
    }();
    return root;
}

std::string databaseNativePath() {
    return prepareScratchEnvironment() + "/profile/FileInfoData/FileInfo__.db";
}

std::string profilePath() {
    prepareScratchEnvironment();
    return "C:\\profile";
}

void removeDatabase() {
    const std::string db = databaseNativePath();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((db + suffix).c_str());
}

}  // namespace testsupport

namespace {
std::atomic<int> treeCounter{0};

// Restores write and search permission on everything below `path`, so that a
// test that made a folder unreadable still leaves nothing behind.
void makeRemovable(const fs::path& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
}
}  // namespace

TempTree::TempTree() {
    const std::string& scratch = testsupport::prepareScratchEnvironment();
    name_ = "tree-" + std::to_string(::getpid()) + "-" + std::to_string(++treeCounter);
    root_ = scratch + "/" + name_;
    fs::create_directories(root_);
}

TempTree::~TempTree() {
    std::error_code ec;
    makeRemovable(root_);
    fs::remove_all(root_, ec);
}

std::string TempTree::native(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "/" + relative;
}

std::string TempTree::drivePath(const std::string& relative) const {
    std::string path = "C:\\" + name_;
    if (!relative.empty()) path += "\\" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void TempTree::makeFolder(const std::string& relative) const {
    fs::create_directories(native(relative));
}

void TempTree::writeFile(const std::string& relative, const std::string& content) const {
    const fs::path path = native(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void TempTree::setModificationTime(const std::string& relative, std::int64_t seconds) const {
    const timeval times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    if (::utimes(native(relative).c_str(), times) != 0)
        throw std::runtime_error("cannot set the time of " + native(relative));
}
