#pragma once

#include <optional>
#include <string>

namespace raumfuchs {

// The bytes of the file at `path`; nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace raumfuchs
