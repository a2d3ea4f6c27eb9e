// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One path component of the path tree: a drive (C:), a folder or a file.
// A file leaf carries the index of its duplicate group (0 or more); a drive or
// folder carries -1. The index and the name are fixed when the node is made;
// the name keeps the letter case of its first insertion.
//
// Children keep the order in which they were first added, and no two of them
// have equal names. Names are compared byte by byte, or with the ASCII letters
// folded when the node was made to ignore case (Windows paths). A node with
// many children also keeps a hash index of them, so neither building a folder
// of 100k entries nor looking up in it is quadratic; the index never changes
// which child is found.
class CPathTreeNode {
public:
    CPathTreeNode(std::string name, int groupIndex, bool ignoreCase);
    virtual ~CPathTreeNode();
    CPathTreeNode(const CPathTreeNode&) = delete;
    CPathTreeNode& operator=(const CPathTreeNode&) = delete;

    int groupIndex() const { return groupIndex_; }
    const std::string& name() const { return name_; }
    const std::vector<std::unique_ptr<CPathTreeNode>>& children() const { return children_; }

    // The child whose name equals `name` under this node's comparison, or null.
    CPathTreeNode* findChild(std::string_view name) const;

    // The child named `name`, unchanged when it exists (keeping its first name
    // and group index); otherwise a new childless node with `groupIndex`,
    // appended after the existing children.
    CPathTreeNode* findOrAddChild(std::string_view name, int groupIndex);

    // The children's names, in their order.
    std::vector<std::string> getChildNames() const;

    // Destroys every child with its whole subtree.
    void clearChildren();

private:
    class ChildIndex;

    CPathTreeNode* findChildLinearly(std::string_view name) const;
    bool sameName(std::string_view a, std::string_view b) const;

    int groupIndex_;
    bool ignoreCase_;
    std::string name_;
    std::vector<std::unique_ptr<CPathTreeNode>> children_;
    std::unique_ptr<ChildIndex> index_;  // made once the children pass a small count
};
