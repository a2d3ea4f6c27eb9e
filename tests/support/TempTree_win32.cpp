// SPDX-License-Identifier: MIT
// Scratch folders on Windows: under %TEMP%, reached by their native paths,
// which are the program's own form there. Files and folders are made with the
// system's ANSI calls, the ones the program reads them with, so a test's byte
// string names the same entry for both.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "TempTree.h"

namespace fs = std::filesystem;

namespace {

std::string withBackslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Creates `path` and every missing folder above it.
void makeFolders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    if (!::CreateDirectoryA(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create " + path);
}

void setVariable(const char* name, const std::string& value) {
    if (::_putenv((std::string(name) + "=" + value).c_str()) != 0)
        throw std::runtime_error(std::string("cannot set ") + name);
}

struct CloseFile {
    void operator()(HANDLE file) const noexcept { ::CloseHandle(file); }
};

std::atomic<int> treeCounter{0};

}  // namespace

namespace testsupport {

const std::string& prepareScratchEnvironment() {
    static const std::string root = [] {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(sizeof temp, temp);
        if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
        std::string folder;
        for (unsigned attempt = 0;; ++attempt) {
            folder = std::string(temp) + "lanbrook-test-" +
                     std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(attempt);
            if (::CreateDirectoryA(folder.c_str(), nullptr)) break;
            if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100)
                throw std::runtime_error("cannot create a scratch folder in " + std::string(temp));
        }
        makeFolders(folder + "\\profile");
        // The drives are the system's own; only the profile is the test's.
        setVariable("LANBROOK_DRIVES", "");
        setVariable("USERPROFILE", folder + "\\profile");
        static struct Cleanup {
            std::string path;
            ~Cleanup() {
                std::error_code ignored;
                fs::remove_all(path, ignored);
            }
        } cleanup{folder};
        return folder;
    }();
    return root;
}

std::string databaseNativePath() {
    return prepareScratchEnvironment() + "\\profile\\FileInfoData\\FileInfo__.db";
}

std::string profilePath() {
    return prepareScratchEnvironment() + "\\profile";
}

void removeDatabase() {
    const std::string db = databaseNativePath();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ::DeleteFileA((db + suffix).c_str());
}

}  // namespace testsupport

TempTree::TempTree() {
    const std::string& scratch = testsupport::prepareScratchEnvironment();
    name_ = "tree-" + std::to_string(++treeCounter);
    root_ = scratch + "\\" + name_;
    makeFolders(root_);
}

TempTree::~TempTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string TempTree::native(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "\\" + withBackslashes(relative);
}

std::string TempTree::drivePath(const std::string& relative) const {
    return native(relative);
}

void TempTree::makeFolder(const std::string& relative) const {
    makeFolders(native(relative));
}

void TempTree::writeFile(const std::string& relative, const std::string& content) const {
    const std::string path = native(relative);
    const std::size_t parent = path.rfind('\\');
    if (parent > root_.size()) makeFolders(path.substr(0, parent));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

void TempTree::setModificationTime(const std::string& relative, std::int64_t seconds) const {
    const std::string path = native(relative);
    // Backup semantics open folders too.
    const HANDLE opened =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    std::unique_ptr<void, CloseFile> file(opened);
    // FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
    const ULONGLONG ticks = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME time{static_cast<DWORD>(ticks & 0xffffffffULL), static_cast<DWORD>(ticks >> 32)};
    if (!::SetFileTime(file.get(), nullptr, &time, &time))
        throw std::runtime_error("cannot set the time of " + path);
}
