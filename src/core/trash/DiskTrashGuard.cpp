#include "core/trash/DiskTrashGuard.h"

#include <climits>
#include <cstdlib>
#include <utility>

#include "core/system/RealLocation.h"

namespace raumfuchs {

namespace {

// Adds the real location of every path of `paths` that differs from it.
// `keepRoot`: whether one that resolves to "/" is added too.
void addRealLocations(std::vector<std::string>& paths, bool keepRoot) {
    const std::size_t given = paths.size();
    for (std::size_t i = 0; i < given; ++i) {
        char resolved[PATH_MAX];
        if (::realpath(paths[i].c_str(), resolved) != nullptr && paths[i] != resolved &&
            (keepRoot || std::string_view(resolved) != "/")) {
            paths.emplace_back(resolved);
        }
    }
}

}  // namespace

DiskTrashGuard::DiskTrashGuard(TrashGuard::ProtectedPaths protection)
    : protection_(std::move(protection)),
      mounts_(readMountTable().value_or(std::vector<MountEntry>{})) {
    // A protected path that is a link (/lib -> usr/lib, a home folder on
    // another disk) protects its target too; a prefix that led to "/" would
    // protect everything.
    addRealLocations(protection_.prefixes, false);
    addRealLocations(protection_.folders, true);
}

bool DiskTrashGuard::isProtected(const std::string& path) const {
    if (TrashGuard::isProtected(path, protection_)) {
        return true;
    }
    const std::optional<std::string> real = realLocation(path);
    return real && TrashGuard::isProtectedLocation(*real, mounts_, protection_);
}

}  // namespace raumfuchs
