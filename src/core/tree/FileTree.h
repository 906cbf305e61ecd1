#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/text/Utf8.h"
#include "core/tree/ChunkedArray.h"
#include "core/tree/EntryStamp.h"
#include "core/tree/FileId.h"
#include "core/tree/SizeColumn.h"

namespace raumfuchs {

class FileNode;

// Storage of one scanned tree: every node lives in these arrays, addressed by a
// 32-bit index, and the whole tree is released in one step when the last
// FileNode handle (or other owner) lets go of it. Nodes cut out of the tree by
// detach() or replaced by splice() stay stored until then, so a handle never
// dangles.
//
// Per entry the tree costs 12 bytes of node fields (its size in 4 of them
// unless it is 4 GiB or more), 4 bytes of child index, the name (one length
// byte plus its bytes, three for names of 254 bytes or more), half a byte to
// find the name and 2 bytes of EntryStamp (kind of file and age); directories
// add 16 bytes each.
//
// Threads: a tree is built by one thread and then handed over whole. After that
// it is changed only on the owning (main) thread, through detach() and
// splice(). Readers on other threads take readLock() and watch generation(): it
// is even while the tree is at rest and turns odd when a change starts waiting
// for the lock, so readers can give up early instead of making the main thread
// wait for a long walk; it is even again, and higher, once the change is done.
class FileTree : public std::enable_shared_from_this<FileTree> {
  public:
    using Index = std::uint32_t;
    static constexpr Index kNone = UINT32_MAX;

    FileTree(std::string rootPath, std::string rootName);
    FileTree(const FileTree&) = delete;
    FileTree& operator=(const FileTree&) = delete;

    // --- building (one thread, before the tree is shared) ---
    // `stamp`: see EntryStamp.
    Index addDirectory(Index parent, std::string_view name, std::int64_t ownBytes,
                       std::uint16_t stamp = EntryStamp::kBlank);
    Index addFile(Index parent, std::string_view name, std::int64_t bytes,
                  std::uint16_t stamp = EntryStamp::kBlank);
    // An entry that could not be read and has no node of its own content:
    // size 0, file count 0, marked unreadable.
    Index addPlaceholder(Index parent, std::string_view name, bool isDirectory);
    // Stores the children of `dir` (in the order given) and sorts them, largest
    // first, stably. Called once per directory, when it is complete.
    void setChildren(Index dir, const std::vector<Index>& children);
    void addToTotals(Index dir, std::int64_t bytes, std::int64_t files);
    void markUnreadable(Index node);
    // Notes that `node` is one of several links to `file`.
    void addHardLink(const FileId& file, Index node);
    // The time (seconds since 1970) the entries' ages count from; set before
    // the first stamp with an age.
    void setAgeReference(std::int64_t seconds) { ageReference_ = seconds; }

    // --- reading ---
    std::size_t nodeCount() const { return sizes_.size(); }
    std::string_view nameBytes(Index node) const;
    bool isDirectory(Index node) const { return (aux_[node] & kDirBit) != 0; }
    std::int64_t size(Index node) const { return sizes_[node]; }
    std::int64_t fileCount(Index node) const;
    bool isUnreadable(Index node) const;
    Index parent(Index node) const { return parents_[node]; }
    // The kind of file its name says (a category number, see EntryStamp);
    // folders and placeholders have the unclassified one.
    std::uint8_t category(Index node) const { return EntryStamp::category(stamps_[node]); }
    // Whole days from its last change to ageReference(); EntryStamp::kUnknownAge
    // when not known.
    int ageDays(Index node) const { return EntryStamp::ageDays(stamps_[node]); }
    std::uint16_t stamp(Index node) const { return stamps_[node]; }
    std::int64_t ageReference() const { return ageReference_; }
    std::size_t childCount(Index node) const;
    Index child(Index node, std::size_t position) const;
    std::string path(Index node) const;
    // Whether the node still hangs below the root (not cut out by detach() or
    // replaced by splice()).
    bool isAttached(Index node) const;
    // Whether `node` is `ancestor` or lies below it.
    bool isWithin(Index node, Index ancestor) const;
    // Every link of a file that had more than one link when it was scanned,
    // cut out ones included; only the link met first carries the bytes.
    struct HardLink {
        FileId file;
        Index node = kNone;
    };
    const std::vector<HardLink>& hardLinks() const { return hardLinks_; }
    std::vector<Index> largestFiles(Index node, std::size_t limit) const;
    // Like largestFiles(), but safe to call on a thread other than the owning
    // one. Gives up and returns false when the tree is changed meanwhile.
    // With `category`, only files stamped with that category number.
    bool largestFilesConcurrently(Index node, std::size_t limit, std::vector<Index>& out,
                                  std::optional<std::uint8_t> category = std::nullopt) const;

    // --- changing after the scan (owning thread only) ---
    void sortChildren(Index dir);
    // Takes `node` out of its parent, subtracts its totals from every ancestor,
    // re-sorts the ancestors' sibling lists and clears its parent link.
    void detach(Index node);
    // New sizes for files; every folder above each one changes by the
    // difference and the sibling lists on the way are re-sorted.
    using Resize = std::pair<Index, std::int64_t>;
    void resizeFiles(const std::vector<Resize>& resizes);
    // Replaces the subtree below the folder `node` with `fresh`, a scan of the
    // same folder, in one change: fresh's entries are copied in, the old
    // entries below `node` are cut out (they stay stored, like detached ones),
    // `node` takes fresh's root's size, file count and readability and keeps
    // its name and identity, every folder above it changes by the difference,
    // and `resizes` (files outside `node`) are applied in the same change.
    // Without `fresh` (the folder is gone) `node` is detached instead. Fresh's
    // ages must count from this tree's ageReference().
    void splice(Index node, const FileTree* fresh, const std::vector<Resize>& resizes);
    // A direct child of a fresh read that stands for an old child of the
    // folder, which then stays in the tree with its identity: a file takes
    // the fresh one's size and readability (and its links, see hardLinks()),
    // a folder keeps its content and takes the fresh one's own bytes (it was
    // not entered, so its size in the fresh read is its own).
    struct Kept {
        Index fresh = kNone;
        Index old = kNone;
    };
    struct Splice {
        Index node = kNone;
        const FileTree* fresh = nullptr;  // null: the folder is gone
        std::vector<Kept> kept;
    };
    // Several splices in one change, each as above, with the old children
    // named in `kept` staying in place; a splice of a node cut out by an
    // earlier one of the batch does nothing. `links` are links of files that
    // the tree did not know as such (they had one link when they were read),
    // noted in the same change, after `resizes` (which may name them) went in.
    // Every child list that changed is sorted once, at the end.
    void splice(const std::vector<Splice>& splices, const std::vector<Resize>& resizes,
                const std::vector<HardLink>& links = {});

    std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }
    std::shared_lock<std::shared_mutex> readLock() const {
        return std::shared_lock<std::shared_mutex>(mutex_);
    }

    FileNode node(Index index);
    FileNode root();

    // Bytes held by the node storage, for memory measurements.
    std::size_t memoryBytes() const;

  private:
    static constexpr std::uint32_t kDirBit = 0x8000'0000u;
    static constexpr std::uint32_t kFileUnreadable = 1;
    // A first length byte of this value means a 16-bit length follows.
    static constexpr std::size_t kLongName = 255;
    // One of this value ends a chunk of names early: the next name did not fit.
    static constexpr std::size_t kChunkEnd = 254;
    // Every how many names a mark says where one starts: half a byte an
    // entry, a lookup skips up to 7 names (measured, see docs/PERFORMANCE.md).
    static constexpr std::size_t kNameMarkEvery = 8;

    struct Directory {
        std::int64_t fileCount = 0;
        std::uint32_t childBegin = 0;
        std::uint32_t childCount = 0;
    };
    // Directories that are unreadable are flagged in the top bit of childCount;
    // no directory can hold 2^31 entries.
    static constexpr std::uint32_t kUnreadableBit = 0x8000'0000u;

    Index addNode(Index parent, std::string_view name, std::int64_t size, std::uint32_t aux,
                  std::uint16_t stamp);
    // The changes after the scan, with the write lock held. Each adds to
    // `lists` the child lists it left unsorted.
    void detachLocked(Index node, std::unordered_set<Index>& lists);
    void resizeLocked(const std::vector<Resize>& resizes, std::unordered_set<Index>& lists);
    void spliceLocked(const Splice& splice, std::unordered_set<Index>& lists);
    void copySubtree(Index node, const FileTree& fresh, const std::vector<Kept>& kept);
    // Adds the differences to every folder above `node` and notes the lists
    // on the way, the one holding `node` included.
    void addUpFrom(Index node, std::int64_t bytes, std::int64_t files,
                   std::unordered_set<Index>& lists);
    void sortLists(const std::unordered_set<Index>& lists);
    // Turns the generation odd, takes the write lock and turns it even again
    // when the returned guard goes.
    class Change;
    Directory& dir(Index node) { return dirs_[aux_[node] & ~kDirBit]; }
    const Directory& dir(Index node) const { return dirs_[aux_[node] & ~kDirBit]; }
    std::uint32_t childSlot(const Directory& d, std::size_t position) const {
        return childIndex_[d.childBegin + position];
    }

    SizeColumn sizes_;
    ChunkedArray<Index> parents_;
    // Where every kNameMarkEvery-th name starts in names_, the first one on.
    // The names of the nodes 1, 2, … follow one another in node order.
    ChunkedArray<std::uint32_t> nameMarks_;
    // For directories: kDirBit | index into dirs_. For other entries: 0, or
    // kFileUnreadable for a placeholder that stands for an unreadable entry.
    ChunkedArray<std::uint32_t> aux_;
    ChunkedArray<Directory, 12> dirs_;
    ChunkedArray<Index> childIndex_;
    // Names, each as its length (one byte below kChunkEnd, or kLongName and
    // two more bytes) followed by its bytes. Linux allows 255 bytes, but some file systems report
    // longer names (up to 255 UTF-16 units), and a cut name would be another path.
    ChunkedArray<char, 20> names_;
    ChunkedArray<std::uint16_t> stamps_;  // EntryStamp
    std::vector<HardLink> hardLinks_;
    std::int64_t ageReference_ = 0;
    std::string rootPath_;
    std::string rootName_;

    mutable std::shared_mutex mutex_;
    std::atomic<std::uint64_t> generation_{0};
};

// Identity of a node: which tree, which entry. Nodes are compared by identity
// everywhere, never by name or path.
struct NodeId {
    const FileTree* tree = nullptr;
    FileTree::Index index = FileTree::kNone;
    friend bool operator==(const NodeId&, const NodeId&) = default;
};

// A shared handle to one node. It keeps the node's whole tree alive, so it stays
// valid after the node was cut out of its tree or the model let go of the root.
// A default-constructed handle refers to no node.
class FileNode {
  public:
    FileNode() = default;
    FileNode(std::shared_ptr<FileTree> tree, FileTree::Index index)
        : tree_(std::move(tree)), index_(index) {}

    explicit operator bool() const { return tree_ != nullptr; }

    // The name exactly as the file system gave it (for the root: the display
    // name of the scan). Use displayName() to show it.
    std::string_view nameBytes() const { return tree_->nameBytes(index_); }
    // The name as UTF-8 text, invalid sequences replaced by U+FFFD.
    std::string displayName() const;
    bool isDirectory() const { return tree_->isDirectory(index_); }
    std::int64_t size() const { return tree_->size(index_); }
    std::int64_t fileCount() const { return tree_->fileCount(index_); }
    bool isUnreadable() const { return tree_->isUnreadable(index_); }
    FileNode parent() const;
    std::size_t childCount() const { return tree_->childCount(index_); }
    FileNode child(std::size_t position) const { return {tree_, tree_->child(index_, position)}; }
    std::vector<FileNode> children() const;
    // The full path in the file system's own bytes; use it for every file
    // operation. Computed on each call by walking up to the root.
    std::string path() const { return tree_->path(index_); }
    std::vector<FileNode> largestFiles(std::size_t limit) const;

    NodeId id() const { return {tree_.get(), index_}; }
    FileTree& tree() const { return *tree_; }
    const std::shared_ptr<FileTree>& treePtr() const { return tree_; }
    FileTree::Index index() const { return index_; }

    friend bool operator==(const FileNode& a, const FileNode& b) {
        return a.tree_ == b.tree_ && a.index_ == b.index_;
    }

  private:
    std::shared_ptr<FileTree> tree_;
    FileTree::Index index_ = FileTree::kNone;
};

}  // namespace raumfuchs

template <>
struct std::hash<raumfuchs::NodeId> {
    std::size_t operator()(const raumfuchs::NodeId& id) const noexcept {
        return std::hash<const void*>()(id.tree) ^ (std::size_t{id.index} * 0x9E3779B97F4A7C15ull);
    }
};
