#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/scan/CancelToken.h"
#include "core/tree/FileId.h"
#include "core/tree/FileTree.h"
#include "core/watch/WatchSource.h"

namespace raumfuchs {

// Changed folders of a tree read again off the main thread, ready to go in
// with one FileTree::splice(). Each folder's own entries are read again
// (FolderRescan::runEntries): files added, resized or removed, new subfolders
// scanned whole, removed ones detached, the others kept with their content.
// A path whose folder the tree does not hold (made since) is read at the
// deepest folder on its way that it holds, where it is a new subfolder.
//
// Hard links stay counted once across the whole tree, and at the link a
// fresh scan would count them at: of all links of a file that the tree holds
// after the batch, the one a walk meets first carries the bytes (found by
// listing the folder where their paths part). A file that has more links now
// than the tree knows of gained them since it was read; its other links are
// looked for among the tree's files of the same size and told by their
// (device, inode), once for each link count.
struct ChangeBatch {
    std::vector<FileTree::Splice> splices;
    std::vector<std::shared_ptr<FileTree>> fresh;  // what `splices` point into
    std::vector<FileTree::Resize> resizes;         // links outside the folders read
    std::vector<FileTree::HardLink> links;         // links the tree did not know
    std::int64_t unreadableDelta = 0;              // marked entries, new minus old
    bool rootGone = false;                         // the scanned folder itself is gone
    // Files looked for in vain, with the link count they had then; a later
    // batch looks again only when the count grew.
    std::unordered_map<FileId, std::uint64_t> searched;

    // Reads `changes` for `tree` as scanned from `scanRoot` (see
    // FolderRescan). Nothing when cancelled, or when the tree is no longer at
    // `generation` (the caller starts over). `searched` comes from the
    // previous batch.
    static std::optional<ChangeBatch> read(const FileTree& tree, const std::string& scanRoot,
                                           const std::vector<FolderChange>& changes,
                                           std::uint64_t generation, const CancelToken& token,
                                           std::unordered_map<FileId, std::uint64_t> searched);
};

}  // namespace raumfuchs
