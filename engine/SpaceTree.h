// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/FolderCopies.h"
#include "engine/FolderInventory.h"
#include "engine/SpaceItemRemover.h"

class CheckedContent;

// Where the space of the analysed folders goes: the stored folders as a tree
// under their drives, each with the figures of its whole subtree, read from
// the file database (FolderInventoryLoader with the scan's FILE_SPACE rows,
// FolderCopies, the per-folder totals of the last two analyses); built once
// by load(), then only read. No user's file is opened, except by trash().
//
// The tree has three kinds of node, each named by a NodeId:
// - kTop, the invisible root; its children are the drives;
// - a drive (the drive letter's root, "C:\"): the stored top folders on it,
//   or, when the drive's root itself was analysed, that folder;
// - a stored folder.
// The children of a drive also hold its 未扫描 row, and the rows of a drive
// or folder come largest disk usage first (the 未扫描 row last).
//
// Sizes count as du counts the files of the same folders (the folders' own
// blocks aside): names of one file (hard links) once per subtree, `size` the
// apparent bytes (du -sb), `diskUsage` the bytes of the blocks (du -sB1).
class SpaceTree {
public:
    using NodeId = std::uint32_t;
    static constexpr NodeId kTop = 0xFFFFFFFFu;
    static constexpr NodeId kNoNode = 0xFFFFFFFEu;  // the 未扫描 row: no children, no files

    struct Figures {
        std::uint64_t diskUsage = 0;  // 占用
        std::uint64_t size = 0;       // 大小
        std::uint64_t files = 0;      // 文件数: the names of files, each hard link counted
        // 有副本: bytes (of `size`) of the files whose confirmed content class
        // holds a distinct file outside this node; hard links are no copies.
        std::uint64_t copiedBytes = 0;
        bool allCopied = false;  // 全部有副本: one file at least, every one copied outside
        // 变化: `size` minus the size at the previous analysis; hasChange is
        // false where there is no previous analysis or it did not hold this
        // folder (the view shows nothing, not a change).
        bool hasChange = false;
        std::int64_t change = 0;

        // The share of `size` that 有副本 is, 0 .. 1 (0 for an empty node).
        double copiedShare() const { return size == 0 ? 0.0 : double(copiedBytes) / double(size); }
    };

    enum class Kind { Drive, Folder, Unscanned };
    struct Row {
        Kind kind = Kind::Folder;
        NodeId id = kNoNode;  // kNoNode for Unscanned
        // What the view shows: "C:\" for a drive, a folder's name (its path
        // below the parent row when stored folders lie between), "未扫描".
        std::string name;
        std::string path;  // program form, ending in a backslash; the drive's root for Unscanned
        // For Unscanned only `diskUsage` (= `size`): the drive's used space
        // (statvfs / GetDiskFreeSpaceEx) minus the disk usage scanned on it,
        // never below 0; 0 when the drive's space cannot be read.
        Figures figures;
    };

    struct LargeFile {
        std::string path;  // program form
        std::uint64_t size = 0;
        std::uint64_t diskUsage = 0;
        int category = 0;              // as FileCategories codes (1 .. 10)
        bool copiedElsewhere = false;  // a distinct copy outside the node asked about
    };

    // Eleven totals of `size`, indexed by category code: [0] every file
    // (kAll), then development, pictures, documents, other, music, video,
    // text, web pages, archives, programs (the list page's codes 1 .. 10).
    using CategoryBytes = std::array<std::uint64_t, 11>;

    SpaceTree();
    ~SpaceTree();
    SpaceTree(SpaceTree&&) noexcept;
    SpaceTree& operator=(SpaceTree&&) noexcept;

    // Reads the analysed scope of the database at `databasePath` (program
    // form, as ConfigInfo gives it) and computes every figure. `checked`
    // (the content check's results, may be null) confirms content classes
    // beyond the cache. False, with errorText(), when the database or its
    // scope cannot be read (no analysis yet); the tree is then empty.
    // Slow: about a second per 1M stored files (measured in bench/); call it
    // off the window's thread.
    [[nodiscard]] bool load(const std::string& databasePath,
                            const CheckedContent* checked = nullptr);
    const std::string& errorText() const { return errorText_; }

    // When the analysis shown ended (FILEINFO_IDX time, seconds since 1970
    // UTC); 0 when unknown. previousAnalysisTime(): that of the analysis
    // 变化 compares with; 0 when there was none.
    std::int64_t analysisTime() const;
    std::int64_t previousAnalysisTime() const;

    // The rows below `node` (kTop: the drives), as described above; empty
    // for kNoNode or an unknown node. Cheap: sorted on each call.
    std::vector<Row> children(NodeId node) const;
    // The row of `node` itself (kTop: the sum over every drive, named "").
    Row row(NodeId node) const;
    // The parent of `node`: kTop for a drive, a drive for a top folder.
    NodeId parent(NodeId node) const;
    // The node of the folder stored at `path` (program form, ending in a
    // backslash) or of the drive at a drive root; kNoNode when none.
    NodeId find(const std::string& path) const;

    // The largest files of the subtree of `node`, by size, at most `most`
    // (ties by path). Linear in the subtree's files.
    std::vector<LargeFile> largestFiles(NodeId node, std::size_t most = 100) const;
    // Bytes (apparent size, hard links once) per category in the subtree.
    // Linear in the subtree's files.
    CategoryBytes categoryBytes(NodeId node) const;

    // Moves the file or folder at `path` (program form; a folder's ends in a
    // backslash) of this tree to the trash through SpaceItemRemover, with a
    // connection of its own to the database load() read. The tree is not
    // changed: load() again afterwards. Refused (NotAsStored, "未找到") for a
    // path the tree does not hold. Slow: it lists and checks the item's files.
    SpaceItemRemover::Outcome trash(const std::string& path) const;

    // For those that compute more (the folders view, tests).
    const FolderInventory& inventory() const;
    const FolderCopies& copies() const;

private:
    struct Data;
    std::unique_ptr<Data> data_;
    std::string errorText_;
};
