#include "core/RealLocation.h"

#include <climits>
#include <cstdlib>

namespace raumfuchs {

std::optional<std::string> realLocation(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    if (trimmed == "/") {
        return trimmed;
    }
    const auto slash = trimmed.rfind('/');
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    const std::string parent = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : trimmed.substr(0, slash);
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (::realpath(parent.c_str(), resolved) == nullptr) {
        return std::nullopt;
    }
    std::string out = resolved;
    if (out != "/") {
        out += '/';
    }
    return out + name;
}

}  // namespace raumfuchs
