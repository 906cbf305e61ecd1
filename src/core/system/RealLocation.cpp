#include "core/system/RealLocation.h"

#include <climits>
#include <cstdlib>

#include "core/text/PathText.h"

namespace raumfuchs {

std::optional<std::string> realLocation(const std::string& path) {
    const std::string name = PathText::lastComponent(path);
    if (name == "/") {
        return name;
    }
    const std::string parent = PathText::parentFolder(path);
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (::realpath(parent.c_str(), resolved) == nullptr) {
        return std::nullopt;
    }
    return PathText::join(resolved, name);
}

}  // namespace raumfuchs
