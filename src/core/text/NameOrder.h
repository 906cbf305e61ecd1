#pragma once

#include <string_view>

namespace raumfuchs::NameOrder {

// Compares two names the way file lists order them: digit runs by their
// numeric value ("9" before "10"), letter case and accents ignored at first
// (German umlauts sort with their base letter, "ß" as "ss"), spaces and
// punctuation before digits before letters. Names equal on that level are
// ordered by accents, then lower case before upper case, then bytes, so only
// identical names compare equal. Negative, zero or positive like strcmp.
// Names are UTF-8 bytes; invalid bytes sort after every letter.
int localizedStandardCompare(std::string_view a, std::string_view b);

}  // namespace raumfuchs::NameOrder
