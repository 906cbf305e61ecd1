#include "core/trash/TrashGuard.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "core/text/PathText.h"

namespace raumfuchs::TrashGuard {

ProtectedPaths systemProtection() {
    ProtectedPaths protection{
        {"/bin", "/sbin", "/usr", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/libx32",
         "/proc", "/run", "/sys", "/var/lib"},
        {"/", "/home", "/root", "/var", "/tmp", "/srv", "/opt", "/mnt", "/media"}};
    std::vector<std::string> homes;
    if (const char* home = std::getenv("HOME")) {
        homes.emplace_back(home);
    }
    // The entry's strings go into `buffer`, which grows until they fit.
    std::vector<char> buffer(1024);
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (std::size_t{1} << 20)) {
        buffer.resize(buffer.size() * 4);
    }
    if (found != nullptr && found->pw_dir != nullptr) {
        homes.emplace_back(found->pw_dir);
    }
    for (const std::string& home : homes) {
        const std::string_view folder = PathText::withoutTrailingSlashes(home);
        // Only an absolute path names a folder; "" or "." would name the
        // working folder.
        if (folder.starts_with('/') &&
            std::find(protection.folders.begin(), protection.folders.end(), folder) ==
                protection.folders.end()) {
            protection.folders.emplace_back(folder);
        }
    }
    return protection;
}

bool isProtected(std::string_view path, const ProtectedPaths& protection) {
    for (const std::string& folder : protection.folders) {
        if (path == folder) {
            return true;
        }
    }
    if (path.starts_with("/usr/local/")) {
        return false;
    }
    for (const std::string& prefix : protection.prefixes) {
        if (path.starts_with(prefix) &&
            (path.size() == prefix.size() || path[prefix.size()] == '/')) {
            return true;
        }
    }
    return false;
}

bool isProtectedLocation(std::string_view realPath, const std::vector<MountEntry>& mounts,
                         const ProtectedPaths& protection) {
    if (isProtected(realPath, protection)) {
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
        if (isProtected(PathText::join(mount.mountPoint, *rest), protection)) {
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
