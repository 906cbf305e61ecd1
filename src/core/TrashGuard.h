#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileTree.h"
#include "core/MountTable.h"

namespace raumfuchs::TrashGuard {

// Paths that are never moved to the trash, nor anything below them: the
// system's programs, libraries, settings and the kernel's virtual trees.
const std::vector<std::string>& protectedPrefixes();

// True when `path` (file-system bytes) equals one of `prefixes` or lies below
// one. Anything below "/usr/local/" is never protected: that is where the
// user's own software lives, even though "/usr" is.
bool isProtected(std::string_view path, const std::vector<std::string>& prefixes);

// True when the item at the resolved `realPath` is protected at any place the
// mount table shows it: its own path and, through every mount of the same
// file system whose root holds it, each other path of the same content (a
// bind mount of /etc elsewhere shows /etc's files).
bool isProtectedLocation(std::string_view realPath, const std::vector<MountEntry>& mounts,
                         const std::vector<std::string>& prefixes);

// The nodes that may go to the trash, in the order given: drops the root of a
// tree (a node without parent), paths `isProtectedPath` refuses, repeats of
// the same node and every node that lies below another node that passed.
std::vector<FileNode> acceptedForTrash(
    const std::vector<FileNode>& nodes,
    const std::function<bool(const std::string&)>& isProtectedPath);

}  // namespace raumfuchs::TrashGuard
