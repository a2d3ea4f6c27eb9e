// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "results/CPathTreeNode.h"

// The full paths of the stored files of one category as a tree of path
// components: drives are the root's children, then folders, then files as
// leaves carrying their group index. The root has an empty name, stands for no
// component and has group index 0, so it never counts as a folder.
//
// Paths use the backslash as their only separator; an empty piece (from a
// doubled or trailing backslash) is a component with an empty name. Node
// pointers handed out stay valid until the next clear() or the tree's end.
class CPathTree {
public:
    // Child names ignore the case of ASCII letters where the platform's paths
    // do (platform::pathsIgnoreCase()), and compare exactly elsewhere.
    CPathTree();
    explicit CPathTree(bool ignoreCase);
    virtual ~CPathTree();
    CPathTree(const CPathTree&) = delete;
    CPathTree& operator=(const CPathTree&) = delete;

    // Adds every missing component of `path`: folders and the drive with -1,
    // the last component with `groupIndex`. Components that exist are reused
    // unchanged. An empty path adds nothing.
    void addPath(const std::string& path, int groupIndex);

    // The node of `path`, the root for the empty path, null when a component
    // is missing.
    const CPathTreeNode* findNode(const std::string& path) const;

    // Removes every node but the root.
    void clear();

    const CPathTreeNode& root() const { return root_; }

private:
    CPathTreeNode root_;
};
