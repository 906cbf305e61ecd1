#pragma once

#include <string>
#include <string_view>

namespace raumfuchs {

// What a JSON string does with bytes that are not UTF-8.
enum class JsonBytes {
    // Kept as they are: not strictly JSON, but ncdu's export format carries
    // names so, and ncdu, gdu and importNcdu read them back byte for byte.
    Raw,
    // Each invalid sequence becomes U+FFFD first, so that any JSON reader
    // takes the text (raumfuchs-scan --json, whose names are for reading).
    Utf8,
};

// Appends `bytes` to `out` as a JSON string literal, in quotes: `"` and `\`
// escaped, \n, \t and \r as such, other control characters and DEL as \u00XX.
void appendJsonString(std::string& out, std::string_view bytes, JsonBytes rule);

}  // namespace raumfuchs
