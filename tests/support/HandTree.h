#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs::test {

// A tree written down by hand: folders with their own allocated bytes and
// their children, files with their bytes.
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

// Adds `node` below `parent` the way the scanner does (totals rolled up,
// children sorted largest first, files stamped with the kinds `classifier`
// gives their names, if one is given) and returns its index.
inline FileTree::Index addHand(FileTree& tree, FileTree::Index parent, const HandNode& node,
                               const NameClassifier* classifier = nullptr) {
    if (!node.isDirectory) {
        return tree.addFile(parent, node.name, node.bytes,
                            classifier ? EntryStamp::make(classifier->categoryNumber(node.name),
                                                          EntryStamp::kUnknownAge)
                                       : EntryStamp::kBlank);
    }
    const FileTree::Index dir = tree.addDirectory(parent, node.name, node.bytes);
    std::vector<FileTree::Index> children;
    for (const HandNode& child : node.children) {
        children.push_back(addHand(tree, dir, child, classifier));
        tree.addToTotals(dir, tree.size(children.back()), tree.fileCount(children.back()));
    }
    tree.setChildren(dir, children);
    return dir;
}

// The root is `root` (a folder); its path is `rootPath`.
inline FileNode build(const HandNode& root, const std::string& rootPath = "/hand",
                      const NameClassifier* classifier = nullptr) {
    auto tree = std::make_shared<FileTree>(rootPath, root.name);
    addHand(*tree, FileTree::kNone, root, classifier);
    return tree->root();
}

// The child of `parent` with exactly these name bytes, or no node.
inline FileNode childNamed(const FileNode& parent, std::string_view name) {
    for (const FileNode& child : parent.children()) {
        if (child.nameBytes() == name) {
            return child;
        }
    }
    return {};
}

// The node at the relative `path` ("a/b/c") below `node`, or no node.
inline FileNode nodeAt(FileNode node, std::string_view path) {
    while (node && !path.empty()) {
        const std::size_t slash = std::min(path.find('/'), path.size());
        node = childNamed(node, path.substr(0, slash));
        path.remove_prefix(std::min(slash + 1, path.size()));
    }
    return node;
}

}  // namespace raumfuchs::test
