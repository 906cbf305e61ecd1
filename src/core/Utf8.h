#pragma once

#include <string>
#include <string_view>

namespace raumfuchs {

// File names are bytes; these helpers tell whether they are UTF-8 text and turn
// them into text for display.

bool isValidUtf8(std::string_view bytes);

// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string decodeUtf8Lossy(std::string_view bytes);

// Decodes the code point at bytes[pos] and moves pos past it. An invalid byte
// comes back as U+DC80..U+DCFF (which valid UTF-8 never yields) and advances
// one byte, so every byte string decodes and distinct ones stay distinct.
char32_t decodeUtf8At(std::string_view bytes, std::size_t& pos);

}  // namespace raumfuchs
