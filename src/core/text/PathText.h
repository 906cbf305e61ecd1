#pragma once

#include <string>
#include <string_view>

namespace raumfuchs::PathText {

// Paths as the file system's bytes, taken apart by text alone: nothing here
// looks at the disk, and bytes that are not UTF-8 pass through untouched.

// The path without trailing slashes; "/" (and "//", …) stays "/".
std::string_view withoutTrailingSlashes(std::string_view path);

// The name a file manager shows: the last component, trailing slashes aside;
// "/" for the root and the path itself when it has no slash.
std::string lastComponent(std::string_view path);

// The folder that holds the last component, trailing slashes aside: "/" for
// the root and for what lies right below it, "." for a name without slash.
std::string parentFolder(std::string_view path);

// Every byte other than A–Z, a–z, 0–9, "-", ".", "_", "~" and "/" as %XX
// (upper-case hex), as file URIs and trash info files want a path.
std::string percentEncode(std::string_view bytes);
// The reverse; a "%" without two hex digits after it stays as it is.
std::string percentDecode(std::string_view text);

// The value of one hexadecimal digit, -1 for any other character.
int hexDigitValue(char c);

// `rest` appended to `folder` with one slash between; `folder` alone when
// `rest` is empty.
std::string join(std::string_view folder, std::string_view rest);

// "file://" and the percent-encoded path.
std::string fileUri(std::string_view path);

}  // namespace raumfuchs::PathText
