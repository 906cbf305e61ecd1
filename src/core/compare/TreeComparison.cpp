#include "core/compare/TreeComparison.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace raumfuchs {

TreeComparison::TreeComparison(std::shared_ptr<const FileTree> current,
                               std::shared_ptr<const FileTree> baseline)
    : current_(std::move(current)), baseline_(std::move(baseline)) {
    for (std::size_t i = 0; i < baseline_->nodeCount(); ++i) {
        counterpart_.push_back(FileTree::kNone);
    }
    growToCurrent();
    if (current_->nodeCount() > 0 && baseline_->nodeCount() > 0) {
        link(0, 0);
        ChildLookup lookup;
        matchBelow(0, lookup);
    }
}

void TreeComparison::growToCurrent() {
    while (match_.size() < current_->nodeCount()) {
        match_.push_back(FileTree::kNone);
    }
}

void TreeComparison::link(Index node, Index base) {
    match_[node] = base;
    if (base != FileTree::kNone) {
        counterpart_[base] = node;
    }
}

TreeComparison::Index TreeComparison::findMatch(const ChildLookup& lookup, Index node,
                                                Index folder) const {
    const bool isDirectory = current_->isDirectory(node);
    return lookup.find(current_->nameBytes(node), [&](Index base) {
        return baseline_->isDirectory(base) == isDirectory && !takenBelow(base, folder);
    });
}

void TreeComparison::matchBelow(Index top, ChildLookup& lookup) {
    // Folders whose own match is settled and whose children are next. A folder
    // without a match passes none on: its children are cleared all the same,
    // so that a subtree matched before holds no stale match.
    std::vector<Index> folders{top};
    while (!folders.empty()) {
        const Index folder = folders.back();
        folders.pop_back();
        const std::size_t count = current_->childCount(folder);
        const Index base = match_[folder];
        const bool searchable = base != FileTree::kNone && baseline_->childCount(base) > 0;
        if (searchable) {
            lookup.fill(*baseline_, base);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const Index child = current_->child(folder, i);
            link(child, searchable ? findMatch(lookup, child, folder) : FileTree::kNone);
            if (current_->childCount(child) > 0) {
                folders.push_back(child);
            }
        }
    }
}

void TreeComparison::rematch(Index node) {
    growToCurrent();
    ChildLookup lookup;
    const Index parent = current_->parent(node);
    if (node == 0) {
        link(0, baseline_->nodeCount() > 0 ? 0 : FileTree::kNone);
    } else if (parent == FileTree::kNone) {
        return;  // cut out: nothing of it is shown
    } else {
        match_[node] = FileTree::kNone;
        const Index base = match_[parent];
        Index found = FileTree::kNone;
        if (base != FileTree::kNone && baseline_->childCount(base) > 0) {
            lookup.fill(*baseline_, base);
            found = findMatch(lookup, node, parent);
        }
        link(node, found);
    }
    matchBelow(node, lookup);
}

std::int64_t TreeComparison::bytesBefore(Index node) const {
    const Index base = baselineMatch(node);
    return base == FileTree::kNone ? 0 : baseline_->size(base);
}

std::int64_t TreeComparison::filesBefore(Index node) const {
    const Index base = baselineMatch(node);
    return base == FileTree::kNone ? 0 : baseline_->fileCount(base);
}

ChangeState TreeComparison::state(Index node) const {
    if (baselineMatch(node) == FileTree::kNone) {
        return ChangeState::New;
    }
    const std::int64_t delta = deltaBytes(node);
    return delta > 0 ? ChangeState::Grown
                     : (delta < 0 ? ChangeState::Shrunk : ChangeState::Unchanged);
}

std::vector<TreeComparison::Index> TreeComparison::removedEntries(Index folder) const {
    std::vector<Index> removed;
    const Index base = baselineMatch(folder);
    if (base == FileTree::kNone) {
        return removed;
    }
    const std::size_t count = baseline_->childCount(base);
    for (std::size_t i = 0; i < count; ++i) {
        const Index entry = baseline_->child(base, i);
        if (!takenBelow(entry, folder)) {
            removed.push_back(entry);
        }
    }
    return removed;
}

std::vector<TreeComparison::Change> TreeComparison::changes(Index folder, std::size_t limit) const {
    std::vector<Change> result;
    const std::size_t count = current_->childCount(folder);
    for (std::size_t i = 0; i < count; ++i) {
        const Index child = current_->child(folder, i);
        const ChangeState s = state(child);
        if (s != ChangeState::Unchanged) {
            result.push_back({current_->nameBytes(child), child, baselineMatch(child),
                              bytesBefore(child), current_->size(child), deltaBytes(child), s});
        }
    }
    for (const Index entry : removedEntries(folder)) {
        const std::int64_t before = baseline_->size(entry);
        result.push_back({baseline_->nameBytes(entry), FileTree::kNone, entry, before, 0, -before,
                          ChangeState::Removed});
    }
    const auto larger = [](const Change& a, const Change& b) {
        const std::int64_t da = std::abs(a.delta);
        const std::int64_t db = std::abs(b.delta);
        if (da != db) {
            return da > db;
        }
        // A folder that became a file: the new entry before the removed one.
        return a.name != b.name ? a.name < b.name : a.state < b.state;
    };
    const std::size_t kept = std::min(limit, result.size());
    std::partial_sort(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(kept),
                      result.end(), larger);
    result.resize(kept);
    return result;
}

std::size_t TreeComparison::memoryBytes() const {
    return match_.memoryBytes() + counterpart_.memoryBytes();
}

}  // namespace raumfuchs
