#include "app/launch/LaunchArguments.h"

#include <string_view>

namespace raumfuchs::LaunchArguments {

namespace {

// The options that take the next element as their value.
bool takesValue(std::string_view argument) {
    return argument == "--scan" || argument == "--open";
}

// The value of the first `option`; the value of another option is skipped,
// so "--scan --open" scans a folder named "--open".
std::optional<std::string> valueOf(const std::vector<std::string>& arguments,
                                   std::string_view option) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!takesValue(arguments[i])) {
            continue;
        }
        if (arguments[i] == option) {
            if (i + 1 == arguments.size()) {
                return std::nullopt;
            }
            return arguments[i + 1];
        }
        ++i;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> scanPath(const std::vector<std::string>& arguments) {
    return valueOf(arguments, "--scan");
}

std::optional<std::string> openPath(const std::vector<std::string>& arguments) {
    return valueOf(arguments, "--open");
}

std::vector<char*> toolkitArguments(int argc, char** argv) {
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && takesValue(argv[i])) {
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
