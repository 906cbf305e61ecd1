#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/tree/FileId.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// One folder's own entries read again (FolderRescan::runEntries), as the
// settlement of hard links sees it.
struct EntriesRead {
    FileTree::Index folder = FileTree::kNone;
    FileTree* fresh = nullptr;  // its sizes of links are set here
    const std::vector<FileTree::Kept>* kept = nullptr;
    // The link count of every file with several links the read met.
    const std::unordered_map<FileId, std::uint64_t>* linkCounts = nullptr;
};

// Decides, for every file with several links that the reads touch, which of
// its links carries the bytes once the reads are in: the one a walk of the
// tree meets first (see ChangeBatch). Sets the fresh reads' links, and lists
// the changes of links elsewhere in the tree (`resizes`) and the links the
// tree did not know (`links`). Reads `tree` under its read lock; false when
// it is no longer at `generation`.
bool settleLinks(const FileTree& tree, std::vector<EntriesRead>& reads, std::uint64_t generation,
                 std::vector<FileTree::Resize>& resizes, std::vector<FileTree::HardLink>& links,
                 std::unordered_map<FileId, std::uint64_t>& searched);

}  // namespace raumfuchs
