#pragma once

#include <string>

namespace raumfuchs {

// A German phrase for a system error number, for messages about files; the
// system's own text for rare ones.
std::string errnoText(int code);

}  // namespace raumfuchs
