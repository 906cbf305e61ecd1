#include "core/tree/TreeWalk.h"

#include <algorithm>
#include <string>

namespace raumfuchs {

TreeWalk::TreeWalk(const FileTree& tree) : tree_(tree) {
    // The links still in the tree, grouped by (device, inode).
    std::vector<FileTree::HardLink> links;
    for (const FileTree::HardLink& link : tree.hardLinks()) {
        if (tree.isAttached(link.node)) {
            links.push_back(link);
        }
    }
    std::sort(links.begin(), links.end(), [](const auto& a, const auto& b) {
        return a.file.device != b.file.device ? a.file.device < b.file.device
                                              : a.file.inode < b.file.inode;
    });
    for (std::size_t begin = 0, end = 0; begin < links.size(); begin = end) {
        std::int64_t bytes = 0;
        for (end = begin; end < links.size() && links[end].file == links[begin].file; ++end) {
            bytes += tree.size(links[end].node);
        }
        for (std::size_t i = begin; i < end; ++i) {
            links_.emplace(links[i].node, Link{links[i].file.device, links[i].file.inode, bytes});
        }
    }
}

void TreeWalk::feed(TreeSink& sink, FileTree::Index node) {
    // The root's name in the tree is the one shown; a sink takes its path.
    const std::string rootPath = node == 0 ? tree_.path(0) : std::string();
    TreeEntry entry{.name = node == 0 ? std::string_view(rootPath) : tree_.nameBytes(node)};
    if (const int days = tree_.ageDays(node); days != EntryStamp::kUnknownAge) {
        entry.hasMtime = true;
        entry.mtime = tree_.ageReference() - days * EntryStamp::kSecondsPerDay;
    }
    if (tree_.isDirectory(node)) {
        entry.kind = EntryKind::Directory;
        std::int64_t own = tree_.size(node);
        for (std::size_t i = 0; i < tree_.childCount(node); ++i) {
            own -= tree_.size(tree_.child(node, i));
        }
        entry.allocated = std::max<std::int64_t>(own, 0);
        sink.openDirectory(entry);
        open_.push_back({node, 0});
        return;
    }
    if (tree_.isUnreadable(node)) {
        sink.placeholder(entry);
        return;
    }
    entry.allocated = tree_.size(node);
    if (const auto link = links_.find(node); link != links_.end()) {
        entry.allocated = link->second.bytes;
        entry.hasDevice = true;
        entry.device = link->second.device;
        entry.hardLink = true;
        entry.inode = link->second.inode;
    }
    sink.file(entry);
}

bool TreeWalk::step(TreeSink& sink, std::size_t budget) {
    if (!started_) {
        started_ = true;
        feed(sink, 0);
        --budget;
    }
    while (!open_.empty() && budget > 0) {
        Frame& top = open_.back();
        if (top.next == tree_.childCount(top.folder)) {
            const bool unreadable = tree_.isUnreadable(top.folder);
            open_.pop_back();
            sink.closeDirectory(unreadable);
            continue;
        }
        feed(sink, tree_.child(top.folder, top.next++));
        --budget;
    }
    return !open_.empty();
}

}  // namespace raumfuchs
