#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// Builds a FileTree from a scan's entry events, in the order a depth-first walk
// produces them:
//
//   openDirectory("root")         the first node made becomes the root
//     addFile("a", 4096)
//     openDirectory("sub")
//       addPlaceholder("gone", false)
//     closeDirectory(false)       sorts "sub"'s children, adds its totals to "root"
//   closeDirectory(false)
//
// Files and placeholders go to the innermost open directory; the bytes and
// counts of its files and closed subdirectories are added up while it is open
// and stored in the tree when it closes. The children of each open directory are collected here and
// stored in the tree in one piece when it closes.
class TreeBuilder {
  public:
    TreeBuilder(std::string rootPath, std::string displayName);

    // A directory with its own allocated bytes; it stays open until closed.
    void openDirectory(std::string_view name, std::int64_t ownBytes);
    FileTree::Index addFile(std::string_view name, std::int64_t bytes);
    FileTree& tree() { return *tree_; }
    // An entry that could not be read: size 0, file count 0, unreadable.
    void addPlaceholder(std::string_view name, bool isDirectory);
    // Closes the innermost open directory; `unreadable` marks it so.
    void closeDirectory(bool unreadable);

    bool hasOpenDirectory() const { return !open_.empty(); }
    // Adds to the innermost open directory's own bytes, for sources that know
    // them only once its children are read.
    void addOwnBytes(std::int64_t bytes);
    // Closes every directory still open and hands the tree over; null when no
    // node was made.
    std::shared_ptr<FileTree> finish();

  private:
    struct OpenDirectory {
        FileTree::Index node;
        std::vector<FileTree::Index> children;
        std::int64_t bytes = 0;
        std::int64_t files = 0;
    };
    FileTree::Index parentIndex() const {
        return open_.empty() ? FileTree::kNone : open_.back().node;
    }
    void attach(FileTree::Index node);

    std::shared_ptr<FileTree> tree_;
    // Open directories, innermost last.
    std::vector<OpenDirectory> open_;
    // Child vectors of closed directories, kept with their capacity for the next ones.
    std::vector<std::vector<FileTree::Index>> spare_;
};

}  // namespace raumfuchs
