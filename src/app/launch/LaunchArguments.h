#pragma once

#include <optional>
#include <string>
#include <vector>

namespace raumfuchs::LaunchArguments {

// The path that follows the first "--scan" of the argument list (program path
// at index 0), verbatim even when it begins with "-". Nothing when there is no
// "--scan" or it is the last element. Arguments are the process's own bytes.
std::optional<std::string> scanPath(const std::vector<std::string>& arguments);
// The same for the export file after the first "--open". The value of either
// option is never taken for the other option.
std::optional<std::string> openPath(const std::vector<std::string>& arguments);

// argv for the toolkit: `argv` without each "--scan" or "--open" and the
// element after it, so that a path such as "-reverse" is never taken for one of the
// toolkit's own options. Everything else stays, in order, and is still the
// toolkit's to read (-platform, -style: the user asked for them). Ends with a
// null pointer, as argv does.
std::vector<char*> toolkitArguments(int argc, char** argv);

// `path` made absolute against `workingDirectory` and cleaned without looking
// at the disk: repeated slashes and "." components go, ".." takes away the
// component before it (never above "/"), and no trailing slash remains except
// for "/" itself. Byte-safe: nothing but '/' and '.' is interpreted.
std::string absolutePath(const std::string& path, const std::string& workingDirectory);

}  // namespace raumfuchs::LaunchArguments
