#include "core/tree/TreeBuilder.h"

namespace raumfuchs {

TreeBuilder::TreeBuilder(std::string rootPath, std::string displayName)
    : tree_(std::make_shared<FileTree>(std::move(rootPath), std::move(displayName))) {}

void TreeBuilder::attach(FileTree::Index node) {
    if (!open_.empty()) {
        open_.back().children.push_back(node);
    }
}

void TreeBuilder::openDirectory(std::string_view name, std::int64_t ownBytes) {
    const FileTree::Index node = tree_->addDirectory(parentIndex(), name, ownBytes);
    attach(node);
    std::vector<FileTree::Index> children;
    if (!spare_.empty()) {
        children = std::move(spare_.back());
        spare_.pop_back();
        children.clear();
    }
    open_.push_back(OpenDirectory{node, std::move(children), 0, 0});
}

FileTree::Index TreeBuilder::addFile(std::string_view name, std::int64_t bytes) {
    const FileTree::Index node = tree_->addFile(parentIndex(), name, bytes);
    if (!open_.empty()) {
        OpenDirectory& top = open_.back();
        top.children.push_back(node);
        top.bytes += bytes;
        ++top.files;
    }
    return node;
}

void TreeBuilder::addPlaceholder(std::string_view name, bool isDirectory) {
    attach(tree_->addPlaceholder(parentIndex(), name, isDirectory));
}

void TreeBuilder::addOwnBytes(std::int64_t bytes) {
    tree_->addToTotals(open_.back().node, bytes, 0);
}

void TreeBuilder::closeDirectory(bool unreadable) {
    OpenDirectory& top = open_.back();
    const FileTree::Index node = top.node;
    if (unreadable) {
        tree_->markUnreadable(node);
    }
    tree_->addToTotals(node, top.bytes, top.files);
    tree_->setChildren(node, top.children);
    spare_.push_back(std::move(top.children));
    open_.pop_back();
    if (!open_.empty()) {
        open_.back().bytes += tree_->size(node);
        open_.back().files += tree_->fileCount(node);
    }
}

std::shared_ptr<FileTree> TreeBuilder::finish() {
    while (!open_.empty()) {
        closeDirectory(false);
    }
    spare_.clear();
    if (tree_->nodeCount() == 0) {
        return nullptr;
    }
    return std::move(tree_);
}

}  // namespace raumfuchs
