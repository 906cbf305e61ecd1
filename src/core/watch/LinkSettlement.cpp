#include "core/watch/LinkSettlement.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <unordered_set>

namespace raumfuchs {

namespace {

// One link of a file once the reads are in: in a fresh read or elsewhere in
// the tree.
struct Link {
    std::size_t read = SIZE_MAX;  // SIZE_MAX: a node of the tree itself
    FileTree::Index node = FileTree::kNone;
    std::string path;
};

struct FileLinks {
    std::vector<Link> links;
    std::int64_t bytes = 0;     // the file's blocks, as a fresh read found them
    std::int64_t oldBytes = 0;  // as a replaced link of the tree carried them
    std::uint64_t count = 0;    // its link count, as a fresh read found it
    bool known = false;         // the tree held a link of it already
};

// Whether a walk of the tree meets one path before another: where the two
// part, the folder's listing order decides, since the walk enters a folder
// where its listing names it. Listings are read once per folder.
class WalkOrder {
  public:
    bool before(const std::string& a, const std::string& b) {
        const std::size_t end = std::min(a.size(), b.size());
        std::size_t differ = 0;
        while (differ < end && a[differ] == b[differ]) {
            ++differ;
        }
        const std::size_t slash = differ == 0 ? std::string::npos : a.rfind('/', differ - 1);
        if (slash == std::string::npos) {
            return a < b;
        }
        const std::string folder = slash == 0 ? std::string("/") : a.substr(0, slash);
        const auto name = [&](const std::string& path) {
            const std::size_t next = path.find('/', slash + 1);
            return path.substr(slash + 1, next == std::string::npos ? next : next - slash - 1);
        };
        const auto& positions = listing(folder);
        const auto pa = positions.find(name(a));
        const auto pb = positions.find(name(b));
        if (pa == positions.end() || pb == positions.end()) {
            return a < b;  // gone meanwhile; a later read settles it
        }
        return pa->second < pb->second;
    }

  private:
    const std::unordered_map<std::string, std::size_t>& listing(const std::string& folder) {
        auto [it, added] = listings_.try_emplace(folder);
        if (added) {
            if (DIR* dir = ::opendir(folder.c_str())) {
                std::size_t position = 0;
                while (const dirent* entry = ::readdir(dir)) {
                    it->second.emplace(entry->d_name, position++);
                }
                ::closedir(dir);
            }
        }
        return it->second;
    }

    std::unordered_map<std::string, std::unordered_map<std::string, std::size_t>> listings_;
};

class Region {
  public:
    explicit Region(const FileTree& tree, const std::vector<EntriesRead>& reads) : tree_(tree) {
        for (const EntriesRead& read : reads) {
            folders_.insert(read.folder);
            for (const FileTree::Kept& k : *read.kept) {
                if (tree.isDirectory(k.old)) {
                    keptFolders_.insert(k.old);
                }
            }
        }
    }
    // Whether a fresh read takes the place of `node`: it lies in a folder
    // read again and not inside a subfolder kept there.
    bool replaced(FileTree::Index node) const {
        for (FileTree::Index n = node; tree_.parent(n) != FileTree::kNone; n = tree_.parent(n)) {
            if (folders_.contains(tree_.parent(n)) && !keptFolders_.contains(n)) {
                return true;
            }
        }
        return false;
    }
    bool isReadFolder(FileTree::Index node) const { return folders_.contains(node); }
    bool isKeptFolder(FileTree::Index node) const { return keptFolders_.contains(node); }

  private:
    const FileTree& tree_;
    std::unordered_set<FileTree::Index> folders_;
    std::unordered_set<FileTree::Index> keptFolders_;
};

// Readers give up when a change waits for the lock (see FileTree).
bool stale(const FileTree& tree, std::uint64_t generation, std::uint64_t& steps) {
    return (++steps & 4095) == 0 && tree.generation() != generation;
}

// The tree's files that may be further links of files it did not know as
// linked: same size, outside what the reads replace, told by (device, inode).
bool findLinks(const FileTree& tree, const Region& region, std::uint64_t generation,
               std::unordered_map<FileId, FileLinks>& files,
               const std::unordered_map<std::int64_t, std::vector<FileId>>& bySize,
               std::vector<FileTree::HardLink>& found) {
    std::uint64_t steps = 0;
    std::vector<FileTree::Index> stack{0};
    while (!stack.empty()) {
        const FileTree::Index n = stack.back();
        stack.pop_back();
        const bool readAgain = region.isReadFolder(n);
        for (std::size_t i = 0; i < tree.childCount(n); ++i) {
            const FileTree::Index c = tree.child(n, i);
            if (stale(tree, generation, steps)) {
                return false;
            }
            if (tree.isDirectory(c)) {
                if (!readAgain || region.isKeptFolder(c)) {
                    stack.push_back(c);
                }
                continue;
            }
            const auto sized = bySize.find(tree.size(c));
            struct stat st;
            if (readAgain || sized == bySize.end() || ::lstat(tree.path(c).c_str(), &st) != 0) {
                continue;
            }
            const FileId id{static_cast<std::uint64_t>(st.st_dev),
                            static_cast<std::uint64_t>(st.st_ino)};
            if (std::find(sized->second.begin(), sized->second.end(), id) != sized->second.end()) {
                files[id].links.push_back({SIZE_MAX, c, tree.path(c)});
                found.push_back({id, c});
            }
        }
    }
    return true;
}

}  // namespace

bool settleLinks(const FileTree& tree, std::vector<EntriesRead>& reads, std::uint64_t generation,
                 std::vector<FileTree::Resize>& resizes, std::vector<FileTree::HardLink>& links,
                 std::unordered_map<FileId, std::uint64_t>& searched) {
    std::unordered_map<FileId, FileLinks> files;
    for (std::size_t r = 0; r < reads.size(); ++r) {
        const FileTree& fresh = *reads[r].fresh;
        for (const FileTree::HardLink& link : fresh.hardLinks()) {
            FileLinks& file = files[link.file];
            file.links.push_back({r, link.node, fresh.path(link.node)});
            file.bytes = std::max(file.bytes, fresh.size(link.node));
            const auto count = reads[r].linkCounts->find(link.file);
            if (count != reads[r].linkCounts->end()) {
                file.count = std::max(file.count, count->second);
            }
        }
    }

    auto lock = tree.readLock();
    if (tree.generation() != generation) {
        return false;
    }
    const Region region(tree, reads);
    std::uint64_t steps = 0;
    // Links the reads replace: their files are touched even when no fresh
    // read holds them any more.
    for (const FileTree::HardLink& link : tree.hardLinks()) {
        if (stale(tree, generation, steps)) {
            return false;
        }
        if (tree.isAttached(link.node) && region.replaced(link.node)) {
            FileLinks& file = files[link.file];
            file.oldBytes = std::max(file.oldBytes, tree.size(link.node));
        }
    }
    // The links elsewhere in the tree of every touched file.
    std::unordered_set<FileTree::Index> seen;
    for (const FileTree::HardLink& link : tree.hardLinks()) {
        const auto file = files.find(link.file);
        if (file == files.end()) {
            continue;
        }
        file->second.known = true;
        if (tree.isAttached(link.node) && !region.replaced(link.node) &&
            seen.insert(link.node).second) {
            file->second.links.push_back({SIZE_MAX, link.node, tree.path(link.node)});
        }
    }
    // Links made since to files the tree counted as single ones.
    std::unordered_map<std::int64_t, std::vector<FileId>> bySize;
    for (const auto& [id, file] : files) {
        const auto before = searched.find(id);
        if (!file.known && file.bytes > 0 && file.count > file.links.size() &&
            (before == searched.end() || before->second < file.count)) {
            bySize[file.bytes].push_back(id);
        }
    }
    if (!bySize.empty()) {
        if (!findLinks(tree, region, generation, files, bySize, links)) {
            return false;
        }
        for (const auto& [size, ids] : bySize) {
            for (const FileId& id : ids) {
                if (files[id].count > files[id].links.size()) {
                    searched[id] = files[id].count;
                }
            }
        }
    }

    WalkOrder order;
    std::vector<std::vector<FileTree::Resize>> freshResizes(reads.size());
    for (auto& [id, file] : files) {
        if (file.links.empty()) {
            continue;
        }
        const bool inFresh = std::any_of(file.links.begin(), file.links.end(),
                                         [](const Link& l) { return l.read != SIZE_MAX; });
        const std::int64_t bytes = inFresh ? file.bytes : file.oldBytes;
        std::size_t carrier = 0;
        for (std::size_t i = 1; i < file.links.size(); ++i) {
            if (order.before(file.links[i].path, file.links[carrier].path)) {
                carrier = i;
            }
        }
        for (std::size_t i = 0; i < file.links.size(); ++i) {
            const Link& l = file.links[i];
            const std::int64_t size = i == carrier ? bytes : 0;
            if (l.read != SIZE_MAX) {
                freshResizes[l.read].push_back({l.node, size});
            } else if (tree.size(l.node) != size) {
                resizes.push_back({l.node, size});
            }
        }
    }
    for (std::size_t r = 0; r < reads.size(); ++r) {
        reads[r].fresh->resizeFiles(freshResizes[r]);
    }
    return true;
}

}  // namespace raumfuchs
