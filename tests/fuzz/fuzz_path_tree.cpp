// SPDX-License-Identifier: MIT
// CPathTree: every path added is found again; the node found is named after
// the path's last component; siblings never share a name under the tree's
// comparison; a leaf keeps the group of its first insertion; clear() leaves
// only the root. Input: a flag byte (ignore case or not), then paths, one a line.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "results/CPathTree.h"

namespace {

std::string folded(std::string name, bool ignoreCase) {
    if (!ignoreCase) return name;
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

void checkSiblings(const CPathTreeNode& node, bool ignoreCase, int depth) {
    if (depth > 64) return;  // the inputs are small; deep walks add nothing
    std::set<std::string> names;
    for (const auto& child : node.children()) {
        FUZZ_CHECK(names.insert(folded(child->name(), ignoreCase)).second);
        checkSiblings(*child, ignoreCase, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool ignoreCase = (data[0] & 1) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> paths;
    for (std::size_t from = 0; from <= input.size();) {
        const std::size_t end = input.find('\n', from);
        paths.push_back(
            input.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }

    CPathTree tree(ignoreCase);
    std::map<std::string, int> firstGroup;  // folded path -> group of its first insertion
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int group = static_cast<int>(i);
        const std::string key = folded(paths[i], ignoreCase);
        const bool existed = tree.findNode(paths[i]) != nullptr;
        tree.addPath(paths[i], group);
        if (!paths[i].empty() && !existed) firstGroup.emplace(key, group);
    }
    FUZZ_CHECK(tree.findNode("") == &tree.root());
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        const CPathTreeNode* node = tree.findNode(path);
        FUZZ_CHECK(node != nullptr);
        const std::size_t slash = path.rfind('\\');
        const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
        FUZZ_CHECK(folded(node->name(), ignoreCase) == folded(last, ignoreCase));
        const auto first = firstGroup.find(folded(path, ignoreCase));
        if (first != firstGroup.end()) FUZZ_CHECK(node->groupIndex() == first->second);
    }
    checkSiblings(tree.root(), ignoreCase, 0);
    tree.clear();
    FUZZ_CHECK(tree.root().children().empty());
    for (const std::string& path : paths)
        if (!path.empty()) FUZZ_CHECK(tree.findNode(path) == nullptr);
    return 0;
}
