#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/tree/FileTree.h"
#include "core/tree/TreeSink.h"

namespace raumfuchs {

// Feeds a finished FileTree to a sink as a scan of it would have (see
// TreeSink): folders with their own bytes (their size less their entries'),
// files with theirs, folders marked unreadable closed unreadable, other
// unreadable entries as placeholders, children in their stored order. What
// the tree does not keep stays unknown to the sink: apparent sizes, kinds of
// files, link counts, folders' devices, folders left out or not entered. Change
// times go out as the tree keeps them, in whole days: the age reference less
// the entry's age.
//
// Hard links: each link still in the tree of a file with several goes out
// with its (device, inode) and the bytes all of them carry together, so that
// a reader that counts each (device, inode) once (the TreeBuilder, ncdu)
// arrives at the tree's totals.
//
// It walks in steps, so that a reader on another thread can let go of the
// tree's read lock in between; the tree must not change from the walk's
// construction to its last step.
class TreeWalk {
  public:
    explicit TreeWalk(const FileTree& tree);

    // Feeds up to `budget` more entries; false once the whole tree is fed.
    bool step(TreeSink& sink, std::size_t budget);

  private:
    struct Link {
        std::uint64_t device;
        std::uint64_t inode;
        std::int64_t bytes;  // of all its links in the tree
    };
    struct Frame {
        FileTree::Index folder;
        std::size_t next;  // position of the child to feed next
    };
    // Feeds one node; a folder is opened and pushed.
    void feed(TreeSink& sink, FileTree::Index node);

    const FileTree& tree_;
    std::unordered_map<FileTree::Index, Link> links_;  // by node
    std::vector<Frame> open_;
    bool started_ = false;
};

}  // namespace raumfuchs
