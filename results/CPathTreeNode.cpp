// SPDX-License-Identifier: MIT
#include "results/CPathTreeNode.h"

#include <cstddef>
#include <functional>
#include <unordered_map>
#include <utility>

namespace {

// Below this many children a linear scan is as fast as hashing and costs no memory.
constexpr std::size_t kIndexThreshold = 16;

unsigned char foldAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

}  // namespace

// Maps each child's name (a view of the child's own name, which never changes
// while the child lives) to the child, under the node's comparison.
class CPathTreeNode::ChildIndex {
public:
    explicit ChildIndex(bool ignoreCase)
        : children_(kIndexThreshold * 2, Hash{ignoreCase}, Equal{ignoreCase}) {}

    void add(CPathTreeNode* child) { children_.emplace(child->name(), child); }

    CPathTreeNode* find(std::string_view name) const {
        const auto it = children_.find(name);
        return it == children_.end() ? nullptr : it->second;
    }

private:
    struct Hash {
        bool ignoreCase;
        std::size_t operator()(std::string_view name) const {
            if (!ignoreCase) return std::hash<std::string_view>{}(name);
            std::size_t hash = 14695981039346656037ull;  // FNV-1a over the folded bytes
            for (char c : name) hash = (hash ^ foldAscii(c)) * 1099511628211ull;
            return hash;
        }
    };
    struct Equal {
        bool ignoreCase;
        bool operator()(std::string_view a, std::string_view b) const {
            return ignoreCase ? equalIgnoringAsciiCase(a, b) : a == b;
        }
    };
    std::unordered_map<std::string_view, CPathTreeNode*, Hash, Equal> children_;
};

CPathTreeNode::CPathTreeNode(std::string name, int groupIndex, bool ignoreCase)
    : groupIndex_(groupIndex), ignoreCase_(ignoreCase), name_(std::move(name)) {}

CPathTreeNode::~CPathTreeNode() = default;

bool CPathTreeNode::sameName(std::string_view a, std::string_view b) const {
    return ignoreCase_ ? equalIgnoringAsciiCase(a, b) : a == b;
}

CPathTreeNode* CPathTreeNode::findChildLinearly(std::string_view name) const {
    for (const auto& child : children_)
        if (sameName(child->name_, name)) return child.get();
    return nullptr;
}

CPathTreeNode* CPathTreeNode::findChild(std::string_view name) const {
    return index_ ? index_->find(name) : findChildLinearly(name);
}

CPathTreeNode* CPathTreeNode::findOrAddChild(std::string_view name, int groupIndex) {
    if (CPathTreeNode* found = findChild(name)) return found;
    children_.push_back(
        std::make_unique<CPathTreeNode>(std::string(name), groupIndex, ignoreCase_));
    CPathTreeNode* added = children_.back().get();
    if (index_) {
        index_->add(added);
    } else if (children_.size() >= kIndexThreshold) {
        index_ = std::make_unique<ChildIndex>(ignoreCase_);
        for (const auto& child : children_) index_->add(child.get());
    }
    return added;
}

std::vector<std::string> CPathTreeNode::getChildNames() const {
    std::vector<std::string> names;
    names.reserve(children_.size());
    for (const auto& child : children_) names.push_back(child->name_);
    return names;
}

void CPathTreeNode::clearChildren() {
    index_.reset();  // first: it views the children's names
    children_.clear();
    children_.shrink_to_fit();
}
