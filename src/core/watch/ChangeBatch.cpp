#include "core/watch/ChangeBatch.h"

#include <algorithm>
#include <string_view>

#include "core/scan/DiskScanner.h"
#include "core/scan/FolderRescan.h"
#include "core/tree/TreeSink.h"
#include "core/watch/LinkSettlement.h"

namespace raumfuchs {

namespace {

// A folder of the tree to read again.
struct Target {
    FileTree::Index node = FileTree::kNone;
    std::string path;
    std::vector<std::string> renewed;
    bool whole = false;
};

// The link counts of the files with several links a read meets.
class LinkCounter : public TreeSink {
  public:
    void openDirectory(const TreeEntry&) override {}
    void file(const TreeEntry& entry) override {
        if (entry.hardLink) {
            counts[FileId{entry.device, entry.inode}] = entry.links;
        }
    }
    void placeholder(const TreeEntry&) override {}
    void leftOut(const TreeEntry&) override {}
    void closeDirectory(bool) override {}

    std::unordered_map<FileId, std::uint64_t> counts;
};

// The child folder of `folder` named `name`, or kNone.
FileTree::Index childFolder(const FileTree& tree, FileTree::Index folder, std::string_view name) {
    for (std::size_t i = 0; i < tree.childCount(folder); ++i) {
        const FileTree::Index c = tree.child(folder, i);
        if (tree.isDirectory(c) && tree.nameBytes(c) == name) {
            return c;
        }
    }
    return FileTree::kNone;
}

// The deepest folder of the tree on the way to `path`, and whether it is the
// folder at `path` itself; kNone for a path outside the tree.
std::pair<FileTree::Index, bool> deepestFolder(const FileTree& tree, std::string_view path) {
    const std::string root = tree.path(0);
    if (path == root) {
        return {0, true};
    }
    const std::string prefix = root.ends_with('/') ? root : root + "/";
    if (!path.starts_with(prefix)) {
        return {FileTree::kNone, false};
    }
    std::string_view rest = path.substr(prefix.size());
    FileTree::Index node = 0;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view name = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (name.empty()) {
            continue;
        }
        const FileTree::Index next = childFolder(tree, node, name);
        if (next == FileTree::kNone) {
            return {node, false};
        }
        node = next;
    }
    return {node, true};
}

// The folders to read, each once: a change the tree has no folder for goes to
// the deepest one it has, where that change is a new subfolder; folders below
// one read whole are left out.
std::optional<std::vector<Target>> targetsOf(const FileTree& tree,
                                             const std::vector<FolderChange>& changes,
                                             std::uint64_t generation) {
    auto lock = tree.readLock();
    if (tree.generation() != generation) {
        return std::nullopt;
    }
    std::vector<Target> targets;
    std::unordered_map<FileTree::Index, std::size_t> position;
    for (const FolderChange& change : changes) {
        const auto [node, exact] = deepestFolder(tree, change.path);
        if (node == FileTree::kNone) {
            continue;
        }
        auto [it, added] = position.try_emplace(node, targets.size());
        if (added) {
            targets.push_back({node, tree.path(node), {}, false});
        }
        Target& target = targets[it->second];
        if (exact) {
            target.renewed.insert(target.renewed.end(), change.renewed.begin(),
                                  change.renewed.end());
            target.whole = target.whole || change.whole;
        }
    }
    // A folder below one read whole, or below a subfolder renewed in one
    // (scanned whole there), is read with it.
    std::vector<bool> drop(targets.size(), false);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        for (FileTree::Index n = targets[i].node; tree.parent(n) != FileTree::kNone;
             n = tree.parent(n)) {
            const auto above = position.find(tree.parent(n));
            if (above == position.end()) {
                continue;
            }
            const Target& p = targets[above->second];
            const std::string_view name = tree.nameBytes(n);
            if (p.whole || std::find(p.renewed.begin(), p.renewed.end(), name) != p.renewed.end()) {
                drop[i] = true;
                break;
            }
        }
    }
    std::vector<Target> kept;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!drop[i]) {
            kept.push_back(std::move(targets[i]));
        }
    }
    targets = std::move(kept);
    return targets;
}

}  // namespace

std::optional<ChangeBatch> ChangeBatch::read(const FileTree& tree, const std::string& scanRoot,
                                             const std::vector<FolderChange>& changes,
                                             std::uint64_t generation, const CancelToken& token,
                                             std::unordered_map<FileId, std::uint64_t> searched) {
    const std::optional<std::vector<Target>> targets = targetsOf(tree, changes, generation);
    if (!targets) {
        return std::nullopt;
    }
    ChangeBatch batch;
    batch.searched = std::move(searched);
    std::vector<FolderRescan> rescans;
    std::vector<LinkCounter> counters(targets->size());
    std::vector<EntriesRead> entries;
    for (std::size_t i = 0; i < targets->size(); ++i) {
        const Target& target = (*targets)[i];
        std::optional<FolderRescan> rescan =
            target.whole
                ? FolderRescan::run(tree, target.node, target.path, scanRoot, generation, token)
                : FolderRescan::runEntries(tree, target.node, target.path, scanRoot, generation,
                                           token, target.renewed, ScanSetup{.sink = &counters[i]});
        if (!rescan) {
            return std::nullopt;
        }
        batch.rootGone = batch.rootGone || (target.node == 0 && !rescan->fresh);
        batch.unreadableDelta += rescan->unreadableCount - rescan->unreadableBefore;
        rescans.push_back(std::move(*rescan));
    }
    for (std::size_t i = 0; i < rescans.size(); ++i) {
        FolderRescan& rescan = rescans[i];
        if (!(*targets)[i].whole && rescan.fresh) {
            entries.push_back(
                {(*targets)[i].node, rescan.fresh.get(), &rescan.kept, &counters[i].counts});
        }
    }
    if (!settleLinks(tree, entries, generation, batch.resizes, batch.links, batch.searched)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < rescans.size(); ++i) {
        FolderRescan& rescan = rescans[i];
        batch.splices.push_back({(*targets)[i].node, rescan.fresh.get(), std::move(rescan.kept)});
        batch.resizes.insert(batch.resizes.end(), rescan.resizes.begin(), rescan.resizes.end());
        if (rescan.fresh) {
            batch.fresh.push_back(std::move(rescan.fresh));
        }
    }
    return batch;
}

}  // namespace raumfuchs
