#pragma once

#include <cstdint>
#include <string>

namespace raumfuchs::Format {

// All texts are German, whatever the machine's locale: the interface is German.

// Allocated bytes in decimal KB, MB, GB or TB (never plain bytes, never above
// TB): no fraction digits for KB, one for MB, two for GB and TB, trailing zeros
// dropped, decimal comma. bytes(0) is "0 KB"... see Format.cpp for the rules.
std::string bytes(std::int64_t count);

// A scan's duration: "3,4 s" below ten seconds, else minutes and seconds such as
// "1 Min., 5 Sek.".
std::string duration(double seconds);

// The share of part in whole: "25 %", "9,9 %" below ten per cent, "–" when whole
// is not positive.
std::string percent(std::int64_t part, std::int64_t whole);

// An integer with German digit grouping: 12.345.
std::string integer(std::int64_t value);

}  // namespace raumfuchs::Format
