#pragma once

#include <cstdint>
#include <string>

namespace raumfuchs::Format {

// Display texts for sizes, durations and shares. All of them are German,
// whatever the machine's locale, because the whole interface is German:
// decimal comma, "." between groups of three digits, a no-break space (U+00A0)
// before "%". Every function is pure and thread-safe.

// Allocated bytes in decimal units (1 KB = 1000 bytes), KB up to TB only: a
// size below 1 KB is shown in KB ("0 KB", "1 KB" for 999 bytes) and 1000 TB or
// more stay in TB ("5.000 TB"). KB get no fraction digits, MB one, GB and TB
// two; trailing zeros are dropped ("1 GB", "1,2 GB"). Rounding is half away
// from zero at the last shown digit; a value that rounds to 1000 of a unit is
// given in the next unit (999.999 bytes are "1 MB").
std::string bytes(std::int64_t count);

// A scan's duration. Below ten seconds the seconds with one fraction digit
// ("3,4 s", 9.96 gives "10,0 s"); from ten seconds on minutes and whole
// seconds, abbreviated, zero parts left out, never hours ("10 Sek.",
// "1 Min.", "62 Min., 5 Sek.").
std::string duration(double seconds);

// The share of part in whole as a percentage: one fraction digit when the
// unrounded share is below 0.1 ("9,9 %", "0,1 %"), none otherwise ("10 %",
// "33 %"). Neither negative shares nor shares above 100 % are clamped. "–"
// (U+2013) when whole is 0 or negative.
std::string percent(std::int64_t part, std::int64_t whole);

// An integer with German digit grouping: "12.345", "-1.000".
std::string integer(std::int64_t value);

// A count of files with its noun: "1 Datei", "0 Dateien", "12.345 Dateien".
std::string files(std::int64_t count);

// A change of allocated bytes as bytes() writes sizes, with its sign: "+1,2 GB",
// "−300 MB" (a real minus sign, U+2212), "±0 KB".
std::string change(std::int64_t delta);

// A change of a file count: "1.203 Dateien mehr", "1 Datei weniger",
// "gleich viele Dateien".
std::string filesChange(std::int64_t delta);

}  // namespace raumfuchs::Format
