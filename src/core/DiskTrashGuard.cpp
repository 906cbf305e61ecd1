#include "core/DiskTrashGuard.h"

#include <climits>
#include <cstdlib>

#include "core/RealLocation.h"
#include "core/TrashGuard.h"

namespace raumfuchs {

DiskTrashGuard::DiskTrashGuard(const std::vector<std::string>& prefixes)
    : prefixes_(prefixes), mounts_(readMountTable().value_or(std::vector<MountEntry>{})) {
    // A protected folder that is a link (/lib -> usr/lib) protects its target too.
    for (const std::string& prefix : prefixes) {
        char resolved[PATH_MAX];
        if (::realpath(prefix.c_str(), resolved) != nullptr && prefix != resolved &&
            std::string_view(resolved) != "/") {
            prefixes_.emplace_back(resolved);
        }
    }
}

bool DiskTrashGuard::isProtected(const std::string& path) const {
    if (TrashGuard::isProtected(path, prefixes_)) {
        return true;
    }
    const std::optional<std::string> real = realLocation(path);
    return real && TrashGuard::isProtectedLocation(*real, mounts_, prefixes_);
}

}  // namespace raumfuchs
