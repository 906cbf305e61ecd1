#pragma once

#include <optional>
#include <string>

namespace raumfuchs {

// Where the item at `path` really lies: its parent folder resolved through
// every symbolic link and its own name kept, so that an item which is itself
// a link stays the link. Nothing when the parent cannot be resolved or the
// name is "." or "..". "/" stays "/".
std::optional<std::string> realLocation(const std::string& path);

}  // namespace raumfuchs
