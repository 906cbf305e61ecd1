#pragma once

#include <string>
#include <string_view>

namespace raumfuchs {

// File names are bytes; these helpers tell whether they are UTF-8 text and turn
// them into text for display.

bool isValidUtf8(std::string_view bytes);

// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string decodeUtf8Lossy(std::string_view bytes);

}  // namespace raumfuchs
