#pragma once

#include <QString>
#include <string_view>

namespace raumfuchs {

// Text from the core, UTF-8 as the formats and display names give it, as Qt
// text; bytes that are no UTF-8 become U+FFFD.
inline QString toQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace raumfuchs
