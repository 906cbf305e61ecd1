#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/kinds/FileAge.h"
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

struct AgeTotals {
    AgeBucket bucket = AgeBucket::Recent;
    std::int64_t bytes = 0;
    std::int64_t files = 0;
};

// The bytes of one folder's files by category and by age, for the chart.
struct FolderMix {
    std::array<std::int64_t, kFileCategoryCount> categoryBytes{};
    // By AgeBucket, then the files whose change time is not known.
    std::array<std::int64_t, kAgeBucketCount + 1> ageBytes{};
};

// The kinds and ages of the files below one node of a tree: per category the
// allocated bytes and the number of files, the same per extension (see
// FileKinds::extensionOf) and per age bucket. Bytes are the tree's: a file
// with several hard links carries its bytes on the link met first and 0 on
// the others, so they count once, while every link counts as a file, as in
// the tree's file counts. The files of all categories together are the
// node's file count; folders' own blocks are in no category, and unreadable
// entries that are no folders (no bytes, no file) in none either.
//
// Categories are the ones the tree was stamped with when it was built; the
// MIME patterns are asked only for the extensions of names with a dot.
struct KindTotals {
    // All eight categories, largest first: by bytes, then files, then in the
    // order of FileCategory. Extensions by bytes, then files, then name.
    std::vector<CategoryTotals> categories;
    // The four buckets in the order of AgeBucket, of the files whose change
    // time is known; the others are counted apart.
    std::array<AgeTotals, kAgeBucketCount> ages{};
    std::int64_t filesWithoutAge = 0;
    // Folders below the node (not the node itself) down to `mixDepth` levels
    // that hold at least `mixMinShare` of its size: what the chart can draw as
    // arcs.
    std::unordered_map<FileTree::Index, FolderMix> folders;

    // Whether any file below has a known change time.
    bool hasAges() const;
    // The mix of `folder`; nothing for a folder not among `folders`.
    const FolderMix* mixOf(FileTree::Index folder) const {
        const auto found = folders.find(folder);
        return found == folders.end() ? nullptr : &found->second;
    }

    struct Options {
        int mixDepth = 0;
        double mixMinShare = 0;
    };

    // Walks the subtree of `node` (just the node when it is a file) through the
    // tree's indices. Safe on a thread other than the tree's owner: holds the
    // tree's read lock and gives up, with nothing, when the tree changes
    // meanwhile.
    static std::optional<KindTotals> collect(const FileTree& tree, FileTree::Index node,
                                             const FileKinds& kinds, const Options& options);
    static std::optional<KindTotals> collect(const FileTree& tree, FileTree::Index node,
                                             const FileKinds& kinds) {
        return collect(tree, node, kinds, Options{});
    }
};

}  // namespace raumfuchs
