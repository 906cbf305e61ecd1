#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/tree/EntryStamp.h"

namespace raumfuchs {

// How long ago an entry was last changed, counted from the scan's time, as
// the kinds view groups files: less than 30 days, less than a year (365
// days), less than three years (1,095 days), and older.
enum class AgeBucket : std::uint8_t { Recent, UpToOneYear, UpToThreeYears, Older };

inline constexpr std::size_t kAgeBucketCount = 4;

// "Letzte 30 Tage", "Bis 1 Jahr", "Bis 3 Jahre", "Älter".
std::string_view ageBucketName(AgeBucket bucket);

// The bucket of an age in whole days (EntryStamp::ageDays, never unknown).
inline AgeBucket ageBucketOf(int days) {
    return days < 30        ? AgeBucket::Recent
           : days < 365     ? AgeBucket::UpToOneYear
           : days < 3 * 365 ? AgeBucket::UpToThreeYears
                            : AgeBucket::Older;
}

}  // namespace raumfuchs
