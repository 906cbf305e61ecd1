#pragma once

#include <string>
#include <string_view>

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

}  // namespace raumfuchs
