#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/system/MountTable.h"
#include "core/tree/FileTree.h"

namespace raumfuchs::TrashGuard {

// What the guard refuses, as absolute paths without trailing slashes.
struct ProtectedPaths {
    // Never moved to the trash, nor anything below them.
    std::vector<std::string> prefixes;
    // Never moved themselves, while what lies in them may go.
    std::vector<std::string> folders;
};

// This system's: as prefixes its programs, libraries, settings and the
// kernel's virtual trees; as folders "/", the folders of the users' homes and
// of the administrator's, of variable data, temporary files, services, add-on
// software and mount points, and this user's own home folder (as HOME names
// it and as the user database does, which may differ).
ProtectedPaths systemProtection();

// True when `path` (file-system bytes) is one of the folders, equals one of
// the prefixes or lies below one. Anything below "/usr/local/" is never
// protected by a prefix: that is where the user's own software lives, even
// though "/usr" is.
bool isProtected(std::string_view path, const ProtectedPaths& protection);

// True when the item at the resolved `realPath` is protected at any place the
// mount table shows it: its own path and, through every mount of the same
// file system whose root holds it, each other path of the same content (a
// bind mount of /etc elsewhere shows /etc's files).
bool isProtectedLocation(std::string_view realPath, const std::vector<MountEntry>& mounts,
                         const ProtectedPaths& protection);

// The nodes that may go to the trash, in the order given: drops the root of a
// tree (a node without parent), paths `isProtectedPath` refuses, repeats of
// the same node and every node that lies below another node that passed.
std::vector<FileNode> acceptedForTrash(
    const std::vector<FileNode>& nodes,
    const std::function<bool(const std::string&)>& isProtectedPath);

}  // namespace raumfuchs::TrashGuard
