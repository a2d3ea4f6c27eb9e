// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The stored folders and files of one analysis, with what is known of each
// file's content: the table that the folder computations (bytes with a copy
// elsewhere, identical folders) work on, built once and then only read.
//
// Folders come in preorder: sorted by path byte for byte, so the subtree of
// folder i is the run of folders i .. end - 1. Files come grouped by folder
// in that order, and by name within a folder (ASCII letters folded where the
// platform's paths ignore case), so the files of a subtree are one run too.
//
// Each file carries two numbers:
// - `content`, its content class: files with equal numbers hold the same
//   bytes, as far as the content check (or its cache) has confirmed it.
//   kEmptyContent is the empty file; kUnconfirmed a file whose content is not
//   known (not checked, changed or unreadable): it is a copy of nothing.
// - `identity`, the distinct file: names of one file (hard links) share it.
//   It is the index of the file's first name.
// Lengths are whole (64-bit) where the loader found them; `allocated` is
// what the file's blocks take.
class FolderInventory {
public:
    static constexpr std::uint32_t kEmptyContent = 0;
    static constexpr std::uint32_t kUnconfirmed = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoFolder = 0xFFFFFFFFu;

    struct Folder {
        std::string path;                  // program form, ending in a backslash
        std::int64_t rowId = 0;            // FILEINFO_DIF.ID
        std::uint32_t parent = kNoFolder;  // the nearest stored folder above it
        std::uint32_t depth = 0;           // 0 for a top folder
        std::uint32_t end = 0;             // one past the last folder of its subtree
        std::uint32_t firstFile = 0;       // its own files: firstFile .. fileEnd - 1
        std::uint32_t fileEnd = 0;
    };
    struct File {
        std::uint32_t folder = 0;
        std::uint32_t nameStart = 0;  // in the name store
        std::uint32_t nameSize = 0;
        std::uint64_t length = 0;
        std::int64_t rowTime = 0;  // FILEINFO_FIF.FTIME
        std::uint32_t content = kUnconfirmed;
        std::uint32_t identity = 0;
        // The bytes its blocks take (what du -B1 counts); the loader sets it
        // from the scan's FILE_SPACE row, else the length rounded up to the
        // block.
        std::uint64_t allocated = 0;
    };

    // Collects folder rows, then file rows, each in any order; finish()
    // makes the inventory.
    class Builder {
    public:
        void addFolder(std::int64_t rowId, std::string path);
        // A file of the folder whose row is `folderRowId`; false, the file
        // dropped, when no such folder was added. `identity` is shared by
        // the names of one file: the position (0, 1, 2 ... in the order
        // added) of one of its names; `content` as in the inventory.
        bool addFile(std::int64_t folderRowId, std::string_view name, std::uint64_t length,
                     std::int64_t rowTime, std::uint32_t content, std::uint32_t identity);
        std::size_t fileCount() const { return rows_.size(); }
        // Sorts, links each folder to its parent and numbers the identities.
        // With `foldCase`, file names are ordered (and compared by the folder
        // computations) without regard to the case of ASCII letters. With
        // `added`, it receives for each file of the inventory its position
        // among the files added.
        FolderInventory finish(bool foldCase, std::vector<std::uint32_t>* added = nullptr);

    private:
        struct Row {
            std::uint32_t folder;  // position in folders_
            std::uint32_t nameStart, nameSize;
            std::uint64_t length;
            std::int64_t rowTime;
            std::uint32_t content;
            std::uint32_t identity;
        };
        std::vector<Folder> folders_;
        std::unordered_map<std::int64_t, std::uint32_t> folderOfRow_;
        std::vector<Row> rows_;
        std::string names_;
    };

    const std::vector<Folder>& folders() const { return folders_; }
    const std::vector<File>& files() const { return files_; }
    bool foldsCase() const { return foldCase_; }

    std::string_view name(const File& file) const {
        return std::string_view(names_).substr(file.nameStart, file.nameSize);
    }
    // The file's whole path, program form.
    std::string path(const File& file) const;
    // The files of the subtree of `folder`: indices firstFile .. subtreeFileEnd - 1.
    std::uint32_t subtreeFileEnd(std::uint32_t folder) const {
        const std::uint32_t end = folders_[folder].end;
        return end < folders_.size() ? folders_[end].firstFile : std::uint32_t(files_.size());
    }
    // Whether `inner` is `outer` or lies in its subtree.
    bool contains(std::uint32_t outer, std::uint32_t inner) const {
        return inner >= outer && inner < folders_[outer].end;
    }
    // The deepest folder holding both (itself when one holds the other);
    // kNoFolder when they lie in different top folders.
    std::uint32_t commonFolder(std::uint32_t a, std::uint32_t b) const;
    // The folder stored at `path` (program form, ending in a backslash);
    // kNoFolder when none is.
    std::uint32_t find(std::string_view path) const;
    // The path of `folder` below `outer` (which holds it): "" for itself,
    // else names joined by backslashes, ending in one.
    std::string relativePath(std::uint32_t outer, std::uint32_t folder) const;

private:
    friend class FolderInventoryLoader;  // fills in what the content cache knows

    std::vector<Folder> folders_;
    std::vector<File> files_;
    std::string names_;
    bool foldCase_ = false;
};
