// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FileInfoData.h"
#include "engine/FileSpaceTable.h"
#include "engine/FolderWalker.h"
#include "engine/IInfoLog.h"
#include "engine/SystemDirInfo.h"

// Scans one drive root into the database, folder by folder, depth first in
// pre-order and in the listing's order. A new folder's files are all
// fingerprinted and stored; in a folder whose time is unchanged only files
// modified after lastScanTime (strictly later) are fingerprinted again; a
// changed folder is diffed against its stored contents first, its vanished
// files and subfolder trees deleted. Excluded folders (system folders, the
// data directory, the user's ignored folders) and folders that cannot be
// listed are reported but neither read nor written.
//
// Folder paths end in a backslash and are upper-cased (ASCII letters only)
// where the platform's paths ignore case; file paths are the folder path and
// the name as listed.
//
// Beside the file rows the scan keeps FILE_SPACE (FileSpaceTable) in step
// with each file whose status it reads: whole lengths of 4 GiB and more,
// hard links and allocations that the MASK cannot tell.
//
// Fast mode (the default) writes many folders per transaction and leaves the
// listing and reading of files to threads that run ahead (FolderWalker);
// Plain mode works on one thread and commits per folder. Both leave the same
// database and report the same folders and files in the same order.
namespace platform {
class OpenFolder;
class ReadOnlyFile;
struct FolderEntry;
struct SpaceStatus;
}  // namespace platform

class FileInfoProc {
public:
    enum class ScanMode { Plain, Fast };

    // Opens the database (a connection of its own) and loads the folder
    // table, then builds the excluded folders: the system's, the data
    // directory and the ignored folders. The root is upper-cased where paths
    // ignore case.
    explicit FileInfoProc(const char* rootPath, ScanMode mode = ScanMode::Fast);
    virtual ~FileInfoProc() = default;

    // Scans `folder` (a trailing backslash is added when missing) and
    // everything below it. Each folder entered is printed to `log`, each file
    // handled ticks it. Every folder is finished (files written, time
    // recorded) before its first subfolder is entered. The walk keeps its own
    // stack, so a tree of any depth is scanned; every write is committed
    // before it returns.
    void scanFolder(const char* folder, IInfoLog& log);

    // Lists `folder` (ending in a backslash): its subfolders as full paths
    // without a trailing backslash (upper-cased where paths ignore case) and
    // its files as full paths, in the listing's order. `timeText` is the
    // folder's last-write time text, read before the listing and set whether
    // or not the listing worked. False, with both lists empty, when the
    // folder cannot be read.
    bool listFolder(const std::string& folder, std::string& timeText,
                    std::vector<std::string>& subfolders, std::vector<std::string>& files) const;
    // The same for `folder` held open as `opened`, without resolving its path again.
    bool listFolder(const platform::OpenFolder& opened, const std::string& folder,
                    std::string& timeText, std::vector<std::string>& subfolders,
                    std::vector<std::string>& files) const;

    // Computes the 80-character MASK of `path` (its low 32 length bits, least
    // significant byte first, then nine 4-byte samples at floor(k * length / 9),
    // all as "%02X") and its modification time. Files under 36 bytes are read
    // whole and zero-padded. Returns false, leaving both outputs untouched,
    // when the file cannot be opened or is not a regular file; never blocks on
    // a FIFO. Cost: one open, one status call, at most nine small reads
    // (samples within a few kilobytes of each other share one read). With
    // `space`, it receives what the file takes on its disk, from that status.
    [[nodiscard]] static bool computeFingerprint(const char* path, std::int64_t& mtime, char* mask,
                                                 platform::SpaceStatus* space = nullptr);
    // The same for the file `name` of an open folder, opened relative to it.
    [[nodiscard]] static bool computeFingerprint(const platform::OpenFolder& folder,
                                                 const std::string& name, std::int64_t& mtime,
                                                 char* mask,
                                                 platform::SpaceStatus* space = nullptr);

    const std::string& rootPath() const { return rootPath_; }
    FileInfoData& folderData() { return folderData_; }
    const FileInfoData& folderData() const { return folderData_; }
    const SystemDirInfo& excludedFolders() const { return excluded_; }

    // Start of the previous scan of this root, seconds since 1970 UTC; 0 when
    // there was none. Files modified later than this are fingerprinted again.
    std::int64_t lastScanTime = 0;

    // Called, when set, with each folder's path after its time is read and
    // before it is listed, on whichever thread lists it (the walker's
    // listers too): a seam for tests that change a folder at that moment.
    // Set before a scan begins.
    std::function<void(const std::string& folder)> afterFolderTime;

private:
    // Splits a listing of `folder` into the full paths of its subfolders and files.
    static void sortEntries(const std::string& folder,
                            const std::vector<platform::FolderEntry>& entries,
                            std::vector<std::string>& subfolders, std::vector<std::string>& files);
    static bool fingerprintOf(platform::ReadOnlyFile& file, std::int64_t& mtime, char* mask,
                              platform::SpaceStatus* space);
    // Keeps the file's FILE_SPACE row in step with `space`; a failed write
    // counts as a failed write of the folder.
    void recordSpace(const std::string& folderId, const std::string& name,
                     const platform::SpaceStatus& space);
    void scanInOrder(std::string start, IInfoLog& log);
    void scanAhead(std::string start, IInfoLog& log);
    // Scans one folder's own files and returns its subfolders to enter; an
    // empty list for an excluded folder or one that cannot be listed.
    std::vector<std::string> scanOneFolder(const std::string& folder, IInfoLog& log);
    // Writes a listed folder whose time compared as `comparison` (0 new, 1
    // unchanged, -1 changed); `inserts` holds its files as listed.
    void writeListedFolder(const std::string& folder, const std::string& timeText,
                           const std::vector<std::string>& subfolders,
                           std::vector<std::string>& inserts, int comparison, IInfoLog& log);
    // Writes a new or unchanged folder whose files the walker has read.
    void writePreparedFolder(const FolderWork& work, IInfoLog& log);
    void finishFolder(const std::string& folder, const std::string& folderId,
                      const std::string& timeText, std::uint64_t failedBefore);
    void insertFiles(const std::string& folderId, const std::vector<std::string>& paths,
                     IInfoLog& log);
    void recheckFiles(const std::string& folder, const std::string& folderId,
                      const std::vector<std::string>& paths, IInfoLog& log);

    std::string rootPath_;
    const ScanMode mode_;
    FileInfoData folderData_;
    FileSpaceTable spaceTable_{folderData_.database()};  // goes before the connection closes
    SystemDirInfo excluded_;
};
