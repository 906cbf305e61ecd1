#include "core/TrashGuard.h"

#include <unordered_set>

#include "core/PathText.h"

namespace raumfuchs::TrashGuard {

const std::vector<std::string>& protectedPrefixes() {
    static const std::vector<std::string> prefixes{"/bin",  "/sbin", "/usr",   "/boot",   "/dev",
                                                   "/etc",  "/lib",  "/lib32", "/lib64",  "/libx32",
                                                   "/proc", "/run",  "/sys",   "/var/lib"};
    return prefixes;
}

bool isProtected(std::string_view path, const std::vector<std::string>& prefixes) {
    if (path.starts_with("/usr/local/")) {
        return false;
    }
    for (const std::string& prefix : prefixes) {
        if (path.starts_with(prefix) &&
            (path.size() == prefix.size() || path[prefix.size()] == '/')) {
            return true;
        }
    }
    return false;
}

bool isProtectedLocation(std::string_view realPath, const std::vector<MountEntry>& mounts,
                         const std::vector<std::string>& prefixes) {
    if (isProtected(realPath, prefixes)) {
        return true;
    }
    const std::optional<std::size_t> shown = coveringMount(mounts, realPath);
    if (!shown) {
        return false;
    }
    // The item's place inside its file system, then every mount of that file
    // system that shows the place.
    const MountEntry& own = mounts[*shown];
    const std::string inside = PathText::join(own.root, *pathBelow(realPath, own.mountPoint));
    for (const MountEntry& mount : mounts) {
        if (mount.major != own.major || mount.minor != own.minor) {
            continue;
        }
        const std::optional<std::string_view> rest = pathBelow(inside, mount.root);
        if (!rest) {
            continue;
        }
        if (isProtected(PathText::join(mount.mountPoint, *rest), prefixes)) {
            return true;
        }
    }
    return false;
}

std::vector<FileNode> acceptedForTrash(
    const std::vector<FileNode>& nodes,
    const std::function<bool(const std::string&)>& isProtectedPath) {
    std::vector<FileNode> passed;
    std::unordered_set<NodeId> passedIds;
    for (const FileNode& node : nodes) {
        if (!node || !node.parent() || isProtectedPath(node.path())) {
            continue;
        }
        // The same node asked for twice would be tried twice and then reported
        // as failed, although it went to the trash the first time.
        if (passedIds.insert(node.id()).second) {
            passed.push_back(node);
        }
    }
    std::vector<FileNode> topmost;
    for (const FileNode& node : passed) {
        bool nested = false;
        for (FileNode up = node.parent(); up && !nested; up = up.parent()) {
            nested = passedIds.count(up.id()) > 0;
        }
        if (!nested) {
            topmost.push_back(node);
        }
    }
    return topmost;
}

}  // namespace raumfuchs::TrashGuard
