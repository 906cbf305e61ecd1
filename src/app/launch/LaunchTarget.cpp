#include "app/launch/LaunchTarget.h"

#include <filesystem>
#include <system_error>

#include "app/launch/LaunchArguments.h"

namespace raumfuchs {

std::optional<ScanTarget> launchTarget(const std::vector<std::string>& arguments,
                                       DesktopServices& services) {
    const std::optional<std::string> exportFile = LaunchArguments::openPath(arguments);
    const std::optional<std::string> argument =
        exportFile ? exportFile : LaunchArguments::scanPath(arguments);
    if (!argument) {
        return std::nullopt;
    }
    std::string workingDirectory = "/";
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (!error) {
        workingDirectory = cwd.native();
    }
    const std::string path = LaunchArguments::absolutePath(*argument, workingDirectory);
    return ScanTarget{path, services.displayName(path), std::nullopt, exportFile.has_value()};
}

std::vector<std::string> argumentBytes(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

}  // namespace raumfuchs
