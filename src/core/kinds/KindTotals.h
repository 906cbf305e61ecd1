#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/kinds/FileCategory.h"
#include "core/kinds/FileKinds.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

struct ExtensionTotals {
    std::string extension;  // lowercase with its dot; empty for files without one
    std::int64_t bytes = 0;
    std::int64_t files = 0;
};

struct CategoryTotals {
    FileCategory category = FileCategory::Other;
    std::int64_t bytes = 0;
    std::int64_t files = 0;
    std::vector<ExtensionTotals> extensions;  // largest first
};

// The kinds of the files below one node of a tree: per category the allocated
// bytes and the number of files, and the same per extension (see
// FileKinds::extensionOf). Bytes are the tree's: a file with several hard
// links carries its bytes on the link met first and 0 on the others, so they
// count once, while every link counts as a file, as in the tree's file counts.
// The files of all categories together are the node's file count; folders'
// own blocks are in no category, and unreadable entries that are no folders
// (no bytes, no file) in none either.
struct KindTotals {
    // All eight categories, largest first: by bytes, then files, then in the
    // order of FileCategory. Extensions by bytes, then files, then name.
    std::vector<CategoryTotals> categories;

    // Walks the subtree of `node` (just the node when it is a file) through the
    // tree's indices, classifying every file's name. Safe on a thread other
    // than the tree's owner: holds the tree's read lock and gives up, with
    // nothing, when the tree changes meanwhile.
    static std::optional<KindTotals> collect(const FileTree& tree, FileTree::Index node,
                                             const FileKinds& kinds);
};

}  // namespace raumfuchs
