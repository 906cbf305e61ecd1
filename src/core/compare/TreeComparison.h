#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/compare/ChildLookup.h"
#include "core/tree/ChunkedArray.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// How an entry changed against the baseline, by its allocated bytes. A folder
// whose bytes stayed while its file count moved (empty files came or went) is
// unchanged; its file delta still says so.
enum class ChangeState : std::uint8_t { Unchanged, Grown, Shrunk, New, Removed };

// The shown tree (`current`) set against an earlier one (`baseline`: an older
// scan or any export read back), entry by entry.
//
// Matching goes by name along the path from the root. The two roots match
// whatever their names and paths, so an export of one machine compares with a
// later one. Below them, an entry matches the baseline entry of its parent's
// match with the same name bytes and the same kind: a folder never matches a
// file of the same name (they share nothing to set sizes against), so a folder
// that became a file reads as a removed folder beside a new file. Where a
// baseline folder holds one name twice (an export may), each current entry
// takes the first one not taken yet. Readability plays no part in matching.
// Baseline entries that nothing matches are removed; current entries without a
// match are new.
//
// Per current entry the comparison keeps the index of its match, per baseline
// entry the index of the current entry that took it: 8 bytes an entry when the
// two trees are alike in size (8.1 on bench/tree, docs/PERFORMANCE.md). Sizes and counts are never
// copied: every change is computed when asked for from the two trees as they are. So a node trashed
// from the current tree (FileTree::detach) needs nothing: its parent's delta
// follows from the tree's totals, and its match reads as removed from that
// parent, since only the parent's attached children hold their matches. A
// folder read again (FileTree::splice) holds new entries under new indices;
// rematch() matches that folder's subtree again, the rest stays as it is.
//
// Threads: the comparison reads both trees and shares their ownership. Build
// it and call rematch() where the current tree does not change meanwhile (its
// owning thread, or another one under FileTree::readLock()); the queries read
// it like the trees themselves.
class TreeComparison {
  public:
    using Index = FileTree::Index;

    // One child of a folder that differs from its match.
    struct Change {
        std::string_view name;                 // the name bytes, valid as long as the trees
        Index node = FileTree::kNone;          // in the current tree; kNone when removed
        Index baselineNode = FileTree::kNone;  // kNone when new
        std::int64_t before = 0;               // bytes in the baseline
        std::int64_t after = 0;                // bytes now
        std::int64_t delta = 0;                // after − before
        ChangeState state = ChangeState::Unchanged;
    };

    TreeComparison(std::shared_ptr<const FileTree> current,
                   std::shared_ptr<const FileTree> baseline);

    const FileTree& current() const { return *current_; }
    const FileTree& baseline() const { return *baseline_; }

    // The baseline entry that `node` of the current tree matches, or kNone
    // for a new one.
    Index baselineMatch(Index node) const {
        return node < match_.size() ? match_[node] : FileTree::kNone;
    }
    // Bytes and files of the match; 0 for a new entry.
    std::int64_t bytesBefore(Index node) const;
    std::int64_t filesBefore(Index node) const;
    std::int64_t deltaBytes(Index node) const { return current_->size(node) - bytesBefore(node); }
    std::int64_t deltaFiles(Index node) const {
        return current_->fileCount(node) - filesBefore(node);
    }
    ChangeState state(Index node) const;

    // The entries of the baseline folder that `folder` matches which none of
    // its children match now, in the baseline's order (largest first). Empty
    // for a new folder.
    std::vector<Index> removedEntries(Index folder) const;
    // The children of `folder` that are not unchanged, with the removed ones,
    // largest |delta| first (equal ones by name bytes, a new entry before a
    // removed one of the same name), at most `limit`.
    std::vector<Change> changes(Index folder, std::size_t limit) const;

    // Matches `node` and everything below it again, after a FileTree::splice()
    // of it: the node against its parent's match (its kind may have changed),
    // its new entries against that. A detached node needs no call.
    void rematch(Index node);

    // Bytes the comparison holds beside the two trees (while matching, a
    // table of the largest baseline folder's children comes on top for a
    // while, see ChildLookup).
    std::size_t memoryBytes() const;

  private:
    // Whether `base` is taken by an attached child of the current `folder`.
    bool takenBelow(Index base, Index folder) const {
        const Index by = counterpart_[base];
        return by != FileTree::kNone && match_[by] == base && current_->parent(by) == folder;
    }
    void link(Index node, Index base);
    // The baseline entry that `node`, a child of the current `folder`, matches
    // among the children of the folder's match (`lookup` is filled with them).
    Index findMatch(const ChildLookup& lookup, Index node, Index folder) const;
    // Matches the children of `top` and everything below them, `top`'s own
    // match taken as it is.
    void matchBelow(Index top, ChildLookup& lookup);
    void growToCurrent();

    std::shared_ptr<const FileTree> current_;
    std::shared_ptr<const FileTree> baseline_;
    // Per current entry: its baseline match or kNone.
    ChunkedArray<Index> match_;
    // Per baseline entry: the current entry that took it last, or kNone. Only
    // valid where that entry still names it as its match (see takenBelow).
    ChunkedArray<Index> counterpart_;
};

}  // namespace raumfuchs
