#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/FileTree.h"

namespace raumfuchs::test {

// A tree written down by hand for tests: folders with their own allocated
// bytes and their children, files with their bytes. build() stores it the way
// the scanner does: totals rolled up, children sorted largest first.
struct HandNode {
    std::string name;
    bool isDirectory = false;
    std::int64_t bytes = 0;  // a folder's own blocks, a file's size
    std::vector<HandNode> children;
};

inline HandNode file(std::string name, std::int64_t bytes) {
    return HandNode{std::move(name), false, bytes, {}};
}

inline HandNode folder(std::string name, std::int64_t ownBytes,
                       std::vector<HandNode> children = {}) {
    return HandNode{std::move(name), true, ownBytes, std::move(children)};
}

namespace detail {

struct Totals {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
};

inline Totals add(FileTree& tree, FileTree::Index parent, const HandNode& node,
                  FileTree::Index& added) {
    if (!node.isDirectory) {
        added = tree.addFile(parent, node.name, node.bytes);
        return {node.bytes, 1};
    }
    const FileTree::Index dir = tree.addDirectory(parent, node.name, node.bytes);
    added = dir;
    std::vector<FileTree::Index> children;
    Totals sum;
    for (const HandNode& child : node.children) {
        FileTree::Index childIndex = FileTree::kNone;
        const Totals t = add(tree, dir, child, childIndex);
        children.push_back(childIndex);
        sum.bytes += t.bytes;
        sum.files += t.files;
    }
    tree.addToTotals(dir, sum.bytes, sum.files);
    tree.setChildren(dir, children);
    return {node.bytes + sum.bytes, sum.files};
}

}  // namespace detail

// The root is `root` (a folder); its path is `rootPath`.
inline FileNode build(const HandNode& root, const std::string& rootPath = "/hand") {
    auto tree = std::make_shared<FileTree>(rootPath, root.name);
    FileTree::Index index = FileTree::kNone;
    detail::add(*tree, FileTree::kNone, root, index);
    return tree->root();
}

// The child of `parent` called `name` (display name), or no node.
inline FileNode childNamed(const FileNode& parent, const std::string& name) {
    for (const FileNode& child : parent.children()) {
        if (child.displayName() == name) {
            return child;
        }
    }
    return {};
}

}  // namespace raumfuchs::test
