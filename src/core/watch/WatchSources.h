#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/scan/EnteredMount.h"
#include "core/tree/FileTree.h"
#include "core/watch/WatchSource.h"

namespace raumfuchs {

// The tree's folders for inotify to watch, as paths: the subtree of `shown`
// first, then the rest, each breadth first, at most `limit` of them;
// `total` gets the count of all. Reads the tree under its read lock and
// gives up (nothing) when it changes meanwhile.
std::optional<std::vector<std::string>> foldersToWatch(const FileTree& tree, FileTree::Index shown,
                                                       std::size_t limit, std::size_t& total);

// The source that follows `tree`, scanned at `root` through `mounts` (the
// scan's entered mounts): fanotify where it may be used (with the
// administrator's rights), else inotify over the tree's folders within
// inotifyBudget(). RAUMFUCHS_WATCH=inotify asks for inotify in any case.
// Nothing when neither can be used or the tree changed meanwhile (the caller
// tries again).
std::unique_ptr<WatchSource> openWatchSource(const FileTree& tree, FileTree::Index shown,
                                             const RootPaths& root,
                                             const std::vector<EnteredMount>& mounts);

}  // namespace raumfuchs
