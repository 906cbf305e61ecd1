#include "core/text/Utf8.h"

#include <locale.h>
#include <wchar.h>

#include <cstdint>
#include <cstdio>

namespace raumfuchs {

namespace {

// Length of the well-formed UTF-8 sequence starting at bytes[i], or 0 when the
// bytes there are not one (overlong forms, surrogates and values beyond
// U+10FFFF included).
std::size_t sequenceLength(std::string_view bytes, std::size_t i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (c < 0x80) {
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        length = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    std::uint32_t cp = c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    const bool valid = cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    return valid ? length : 0;
}

// The character classes of C.UTF-8, which know every character's width
// whatever locale the program runs in; made once and never changed. None
// when the C library lacks them.
locale_t utf8Classes() {
    static const locale_t classes = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return classes;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string decodeUtf8Lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

char32_t decodeUtf8At(std::string_view bytes, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    const std::size_t length = sequenceLength(bytes, pos);
    if (length == 0) {
        ++pos;
        return 0xDC00 + lead;
    }
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        cp = (cp << 6) | (static_cast<unsigned char>(bytes[pos + k]) & 0x3F);
    }
    pos += length;
    return cp;
}

std::string escapeForTerminal(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        const char32_t c = decodeUtf8At(bytes, i);
        const std::string_view sequence = bytes.substr(start, i - start);
        const std::size_t named =
            c < 0x20 ? std::string_view("\a\b\t\n\v\f\r").find(char(c)) : std::string_view::npos;
        // Bidi controls reorder what follows them on the line, names and
        // labels printed after them included.
        const bool bidi = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
        const bool invalid = c >= 0xDC80 && c <= 0xDCFF;
        if (c == '\\') {
            out += "\\\\";
        } else if (named != std::string_view::npos) {
            out += '\\';
            out += "abtnvfr"[named];
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || bidi || invalid) {
            for (const char byte : sequence) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned char>(byte));
                out += escaped;
            }
        } else {
            out.append(sequence);
        }
    }
    return out;
}

std::size_t terminalCells(char32_t c) {
    // Only this thread's character classes change, and only for the call:
    // numbers are printed as before.
    const locale_t classes = utf8Classes();
    const locale_t before = classes != locale_t{} ? uselocale(classes) : locale_t{};
    const int width = wcwidth(static_cast<wchar_t>(c));
    if (before != locale_t{}) {
        uselocale(before);
    }
    // What the C library does not count as printable (an unassigned code
    // point) is drawn by terminals as one placeholder cell.
    return width < 0 ? 1 : static_cast<std::size_t>(width);
}

std::size_t terminalColumns(std::string_view text) {
    std::size_t total = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        total += terminalCells(decodeUtf8At(text, pos));
    }
    return total;
}

}  // namespace raumfuchs
