#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/scan/DiskScanner.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// One folder of a scanned tree scanned again, ready to take the place of the
// folder's old subtree in one FileTree::splice().
//
// Hard links stay counted once per (device, inode) across the whole tree: a
// link inside the folder whose bytes are carried by a link outside it stays at
// 0 bytes (and the outside link takes the file's new size); when the link that
// carried the bytes is gone from the folder while links outside remain, one of
// those carries them now. So the root's totals equal a fresh scan's, but which
// link carries a file's bytes may differ from what a fresh scan would pick (it
// picks the link it meets first). The tree only knows links of files that had
// several when they were scanned: a link made since between a file inside the
// folder and one outside that had a single link then is counted twice until
// the next full scan.
//
// runEntries() reads only the folder's own entries again, for a folder whose
// change is known to lie in its entries (see ChangeBatch): subfolders that are
// still there keep their content and identity, and so do files of the same
// name; a new subfolder is scanned whole.
struct FolderRescan {
    // The folder's new subtree; null when the folder is gone.
    std::shared_ptr<FileTree> fresh;
    std::int64_t unreadableCount = 0;   // marked entries in `fresh`
    std::int64_t unreadableBefore = 0;  // marked entries in what `fresh` replaces
    // Files outside the folder whose sizes change with it (hard links).
    std::vector<FileTree::Resize> resizes;
    // From runEntries(): fresh's direct children that stand for old ones.
    std::vector<FileTree::Kept> kept;

    // Scans `folder` of `tree` again, at `path`, the way the whole tree was
    // scanned from `scanRoot`: "/" in root mode by the same device rules, else
    // staying on the scan root's device (a folder on another device is shown
    // without content, as in the first scan). Runs on any thread; reads `tree`
    // under its read lock. Returns nothing when cancelled, when the walk
    // cannot start, or when the tree is no longer at `generation` (it changed
    // since the caller took the path; the caller starts over).
    static std::optional<FolderRescan> run(const FileTree& tree, FileTree::Index folder,
                                           const std::string& path, const std::string& scanRoot,
                                           std::uint64_t generation, const CancelToken& token,
                                           ScanSetup setup = {});

    // Reads the folder's own entries again and stats them, the way run()
    // scans, but enters only subfolders the tree does not hold as readable
    // folders of that name, and those named in `renewed` (removed or moved
    // away since, maybe made anew: their old content is not theirs). A folder
    // that is no folder any more counts as gone. Hard links are left as the
    // read met them, each counted at its first link in `fresh`: whoever reads
    // several folders settles them across all (ChangeBatch).
    static std::optional<FolderRescan> runEntries(
        const FileTree& tree, FileTree::Index folder, const std::string& path,
        const std::string& scanRoot, std::uint64_t generation, const CancelToken& token,
        const std::vector<std::string>& renewed, ScanSetup setup = {});
};

}  // namespace raumfuchs
