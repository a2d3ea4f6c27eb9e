// SPDX-License-Identifier: MIT
#include "results/CPathTree.h"

#include <string_view>

#include "util/platform/FileSystem.h"

namespace {

// Calls `visit` with each backslash-separated component of `path` in order,
// empty pieces included, as long as it returns true. Walks the text in place:
// a tree of a million files is built without a vector of pieces per path.
template <typename Visit>
void forEachComponent(std::string_view path, Visit visit) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const bool last = end == std::string_view::npos;
        if (!visit(path.substr(start, last ? std::string_view::npos : end - start), last)) return;
        if (last) return;
        start = end + 1;
    }
}

}  // namespace

CPathTree::CPathTree() : CPathTree(platform::pathsIgnoreCase()) {}

CPathTree::CPathTree(bool ignoreCase) : root_(std::string(), 0, ignoreCase) {}

CPathTree::~CPathTree() = default;

void CPathTree::addPath(const std::string& path, int groupIndex) {
    if (path.empty()) return;
    CPathTreeNode* node = &root_;
    forEachComponent(path, [&](std::string_view component, bool last) {
        node = node->findOrAddChild(component, last ? groupIndex : -1);
        return true;
    });
}

const CPathTreeNode* CPathTree::findNode(const std::string& path) const {
    if (path.empty()) return &root_;
    const CPathTreeNode* node = &root_;
    forEachComponent(path, [&](std::string_view component, bool) {
        node = node->findChild(component);
        return node != nullptr;
    });
    return node;
}

void CPathTree::clear() {
    root_.clearChildren();
}
