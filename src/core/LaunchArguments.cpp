#include "core/LaunchArguments.h"

#include <string_view>

namespace raumfuchs::LaunchArguments {

std::optional<std::string> scanPath(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--scan") {
            if (i + 1 == arguments.size()) {
                return std::nullopt;
            }
            return arguments[i + 1];
        }
    }
    return std::nullopt;
}

std::vector<char*> toolkitArguments(int argc, char** argv) {
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::string_view(argv[i]) == "--scan") {
            ++i;  // and the path after it
            continue;
        }
        kept.push_back(argv[i]);
    }
    kept.push_back(nullptr);
    return kept;
}

std::string absolutePath(const std::string& path, const std::string& workingDirectory) {
    const std::string joined =
        !path.empty() && path.front() == '/' ? path : workingDirectory + "/" + path;
    std::vector<std::string_view> parts;
    std::string_view rest(joined);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty()) {
        return "/";
    }
    std::string result;
    for (const std::string_view part : parts) {
        result += '/';
        result += part;
    }
    return result;
}

}  // namespace raumfuchs::LaunchArguments
