#include "core/scan/FolderRescan.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/compare/ChildLookup.h"
#include "core/scan/RootPolicy.h"
#include "core/tree/TreeBuilder.h"

namespace raumfuchs {

namespace {

// A file's links in the tree before the rescan, outside the folder and inside it.
struct OldLinks {
    FileTree::Index firstOutside = FileTree::kNone;
    FileTree::Index carrierOutside = FileTree::kNone;  // the outside link holding the bytes
    std::int64_t bytesInside = 0;                      // held by a link inside
};

// Readers give up when a change waits for the lock (see FileTree).
class Checkpoint {
  public:
    Checkpoint(const FileTree& tree, std::uint64_t generation)
        : tree_(tree), generation_(generation) {}
    bool stale() { return (++steps_ & 4095) == 0 && tree_.generation() != generation_; }

  private:
    const FileTree& tree_;
    std::uint64_t generation_;
    std::uint64_t steps_ = 0;
};

std::optional<std::int64_t> unreadableBelow(const FileTree& tree, FileTree::Index folder,
                                            Checkpoint& checkpoint) {
    std::int64_t count = 0;
    std::vector<FileTree::Index> stack{folder};
    while (!stack.empty()) {
        const FileTree::Index n = stack.back();
        stack.pop_back();
        count += tree.isUnreadable(n) ? 1 : 0;
        for (std::size_t i = 0; i < tree.childCount(n); ++i) {
            stack.push_back(tree.child(n, i));
        }
        if (checkpoint.stale()) {
            return std::nullopt;
        }
    }
    return count;
}

// Decides which links carry the bytes of files linked across the folder's
// edge; zeroes links in `fresh` and lists the changes outside it.
bool settleHardLinks(const FileTree& tree, FileTree::Index folder, FileTree& fresh,
                     Checkpoint& checkpoint, std::vector<FileTree::Resize>& resizes) {
    std::unordered_map<FileId, std::vector<FileTree::Index>> freshLinks;
    for (const FileTree::HardLink& link : fresh.hardLinks()) {
        freshLinks[link.file].push_back(link.node);
    }
    std::unordered_map<FileId, OldLinks> oldLinks;
    for (const FileTree::HardLink& link : tree.hardLinks()) {
        if (checkpoint.stale()) {
            return false;
        }
        bool inside = false;
        FileTree::Index top = link.node;
        for (FileTree::Index n = link.node; n != FileTree::kNone; n = tree.parent(n)) {
            inside = inside || n == folder;
            top = n;
        }
        if (top != 0) {
            continue;  // cut out of the tree
        }
        OldLinks& old = oldLinks[link.file];
        if (inside) {
            old.bytesInside = std::max(old.bytesInside, tree.size(link.node));
        } else {
            if (old.firstOutside == FileTree::kNone) {
                old.firstOutside = link.node;
            }
            if (tree.size(link.node) > 0) {
                old.carrierOutside = link.node;
            }
        }
    }
    std::vector<FileTree::Resize> freshResizes;
    for (const auto& [key, links] : freshLinks) {
        const auto old = oldLinks.find(key);
        if (old == oldLinks.end() || old->second.carrierOutside == FileTree::kNone) {
            continue;  // counted inside the folder: its first link met carries it
        }
        std::int64_t bytes = 0;
        for (FileTree::Index n : links) {
            bytes = std::max(bytes, fresh.size(n));
            if (fresh.size(n) != 0) {
                freshResizes.push_back({n, 0});
            }
        }
        if (tree.size(old->second.carrierOutside) != bytes) {
            resizes.push_back({old->second.carrierOutside, bytes});
        }
    }
    for (const auto& [key, old] : oldLinks) {
        if (old.bytesInside > 0 && old.firstOutside != FileTree::kNone &&
            !freshLinks.contains(key)) {
            resizes.push_back({old.firstOutside, old.bytesInside});
        }
    }
    fresh.resizeFiles(freshResizes);
    return true;
}

// The folder alone, with its own blocks: a mount point of another device met
// in a scan that stays on one.
std::shared_ptr<FileTree> folderWithoutContent(const std::string& path, const struct stat& st) {
    TreeBuilder builder(std::string{});
    builder.openDirectory(TreeEntry{.name = path,
                                    .kind = EntryKind::Directory,
                                    .allocated = static_cast<std::int64_t>(st.st_blocks) * 512});
    builder.closeDirectory(false);
    return builder.finish();
}

// Scans `path` into `rescan` the way the tree was scanned from `scanRoot`;
// false when cancelled or when the walk cannot start.
bool scanAgain(const std::string& path, const std::string& scanRoot, const CancelToken& token,
               ScanSetup& setup, FolderRescan& rescan) {
    static const LinuxRootPolicy policy;
    if (scanRoot == "/" && setup.rootPolicy == nullptr) {
        setup.rootPolicy = &policy;
    }
    if (setup.rootPolicy != nullptr && setup.policyRoot.empty()) {
        setup.policyRoot = scanRoot;
    }
    struct stat here;
    struct stat top;
    if (setup.rootPolicy == nullptr && setup.fileSystem == nullptr &&
        ::lstat(path.c_str(), &here) == 0 && S_ISDIR(here.st_mode) &&
        ::stat(scanRoot.c_str(), &top) == 0 && here.st_dev != top.st_dev) {
        rescan.fresh = folderWithoutContent(path, here);
    } else {
        std::optional<ScanResult> result =
            DiskScanner::scanWith(path, std::string(), token, {}, setup);
        if (!result) {
            return false;
        }
        if (!result->rootUnreachable()) {
            rescan.fresh = result->root.treePtr();
            rescan.unreadableCount = result->unreadableCount;
        }
    }
    return !token.isCancelled();
}

}  // namespace

std::optional<FolderRescan> FolderRescan::run(const FileTree& tree, FileTree::Index folder,
                                              const std::string& path, const std::string& scanRoot,
                                              std::uint64_t generation, const CancelToken& token,
                                              ScanSetup setup) {
    // The new entries' ages count from the first scan's time, as the old ones do.
    setup.ageReference = tree.ageReference();
    FolderRescan rescan;
    if (!scanAgain(path, scanRoot, token, setup, rescan)) {
        return std::nullopt;
    }
    auto lock = tree.readLock();
    if (tree.generation() != generation) {
        return std::nullopt;
    }
    Checkpoint checkpoint(tree, generation);
    const std::optional<std::int64_t> before = unreadableBelow(tree, folder, checkpoint);
    if (!before) {
        return std::nullopt;
    }
    rescan.unreadableBefore = *before;
    FileTree empty(path, std::string());
    if (!settleHardLinks(tree, folder, rescan.fresh ? *rescan.fresh : empty, checkpoint,
                         rescan.resizes)) {
        return std::nullopt;
    }
    return rescan;
}

std::optional<FolderRescan> FolderRescan::runEntries(
    const FileTree& tree, FileTree::Index folder, const std::string& path,
    const std::string& scanRoot, std::uint64_t generation, const CancelToken& token,
    const std::vector<std::string>& renewed, ScanSetup setup) {
    // The subfolders whose content stays where it is.
    std::unordered_set<std::string> unentered;
    {
        auto lock = tree.readLock();
        if (tree.generation() != generation) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < tree.childCount(folder); ++i) {
            const FileTree::Index child = tree.child(folder, i);
            if (tree.isDirectory(child) && !tree.isUnreadable(child)) {
                unentered.emplace(tree.nameBytes(child));
            }
        }
    }
    for (const std::string& name : renewed) {
        unentered.erase(name);
    }
    setup.unentered = &unentered;
    // The new entries' ages count from the first scan's time, as the old ones do.
    setup.ageReference = tree.ageReference();
    FolderRescan rescan;
    if (!scanAgain(path, scanRoot, token, setup, rescan)) {
        return std::nullopt;
    }
    if (rescan.fresh && !rescan.fresh->isDirectory(0)) {
        rescan.fresh.reset();  // its folder's own read sees the new entry
        rescan.unreadableCount = 0;
    }

    auto lock = tree.readLock();
    if (tree.generation() != generation) {
        return std::nullopt;
    }
    Checkpoint checkpoint(tree, generation);
    std::unordered_set<FileTree::Index> stays;
    if (const FileTree* fresh = rescan.fresh.get()) {
        ChildLookup old;
        old.fill(tree, folder);
        for (std::size_t k = 0; k < fresh->childCount(0); ++k) {
            const FileTree::Index c = fresh->child(0, k);
            const bool isFolder = fresh->isDirectory(c);
            const std::string_view name = fresh->nameBytes(c);
            if (isFolder && !unentered.contains(std::string(name))) {
                continue;  // entered: scanned whole
            }
            const FileTree::Index match =
                old.find(name, [&](FileTree::Index n) { return tree.isDirectory(n) == isFolder; });
            if (match != FileTree::kNone) {
                rescan.kept.push_back({c, match});
                stays.insert(match);
            }
        }
    }
    // What the fresh read replaces: the folder itself, its files and the
    // subfolders that do not stay.
    rescan.unreadableBefore = tree.isUnreadable(folder) ? 1 : 0;
    for (std::size_t i = 0; i < tree.childCount(folder); ++i) {
        const FileTree::Index child = tree.child(folder, i);
        if (stays.contains(child)) {
            rescan.unreadableBefore += !tree.isDirectory(child) && tree.isUnreadable(child) ? 1 : 0;
            continue;
        }
        const std::optional<std::int64_t> below = unreadableBelow(tree, child, checkpoint);
        if (!below) {
            return std::nullopt;
        }
        rescan.unreadableBefore += *below;
    }
    return rescan;
}

}  // namespace raumfuchs
