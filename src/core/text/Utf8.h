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

// `bytes` made safe to print on a terminal, in the backslash forms that
// `ls --quoting-style=escape` uses: \a \b \t \n \v \f \r for those controls,
// a three-digit octal escape for every byte of every other control character
// (C0, DEL, the C1 controls U+0080 to U+009F: \033, \177, \302\233, and the
// bidi controls U+202A to U+202E and U+2066 to U+2069: \342\200\256) and
// for every byte that is not part of valid UTF-8 (\377), and \\ for a
// backslash, so that an escape in the output always reads back to one byte
// sequence. Everything else is copied unchanged.
std::string escapeForTerminal(std::string_view bytes);

// Terminal cells of one code point, as the C library's wcwidth counts them
// for Unicode: two for wide characters (East Asian, most emoji), none for
// combining marks and other zero-width characters, one for the rest.
std::size_t terminalCells(char32_t c);

// Terminal cells of UTF-8 text without control characters (escaped text, say).
std::size_t terminalColumns(std::string_view text);

}  // namespace raumfuchs
