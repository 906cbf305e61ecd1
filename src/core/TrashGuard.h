#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/FileTree.h"

namespace raumfuchs::TrashGuard {

// Paths that are never moved to the trash, nor anything below them. Every
// platform refuses the macOS system locations; Linux adds its own.
const std::vector<std::string>& macProtectedPrefixes();
const std::vector<std::string>& linuxProtectedPrefixes();
// The list of the platform this program was built for.
const std::vector<std::string>& protectedPrefixes();

// True when `path` (file-system bytes) equals one of `prefixes` or lies below
// one. Anything below "/usr/local/" is never protected: that is where the
// user's own software lives, even though "/usr" is.
bool isProtected(std::string_view path, const std::vector<std::string>& prefixes);

// The nodes that may go to the trash, in the order given: drops the root of a
// tree (a node without parent), protected paths, repeats of the same node and
// every node that lies below another node that passed.
std::vector<FileNode> acceptedForTrash(const std::vector<FileNode>& nodes,
                                       const std::vector<std::string>& prefixes);

}  // namespace raumfuchs::TrashGuard
