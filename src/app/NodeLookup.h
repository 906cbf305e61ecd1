#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs {

// True when two names are the same: byte for byte, or, where both are valid
// UTF-8, by canonical equivalence ("Müll" composed equals "Müll" decomposed).
bool sameName(std::string_view a, std::string_view b);

// The node below `root` (or `root` itself) at `path` (file-system bytes), or
// none. The part of `path` that stands for the root's own path is compared as
// a whole with sameName(); the rest is split at "/" (empty pieces dropped) and
// each piece picks the first child, in stored order, of the same name.
FileNode findNode(const FileNode& root, const std::string& path);

// The names of the folders from below `folder` down to `node`, innermost
// first: what finds `node` again once the folder's content is read anew.
// Empty when `node` is `folder` or does not lie below it.
std::vector<std::string> namesBelow(const FileNode& folder, const FileNode& node);

// The subfolder of `folder` that `names` (from namesBelow()) lead to, each
// picking the first child folder of exactly that name; where one is gone, the
// last folder reached.
FileNode followNames(const FileNode& folder, const std::vector<std::string>& names);

}  // namespace raumfuchs
