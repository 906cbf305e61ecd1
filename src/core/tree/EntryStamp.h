#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace raumfuchs {

// Tells what kind of file a name says it is, as a number below
// EntryStamp::kCategories (the kinds of files in core/kinds number their
// categories so). Whoever builds a tree may hand one to the builder; it must
// be safe to call from the building thread.
class NameClassifier {
  public:
    virtual ~NameClassifier() = default;
    virtual std::uint8_t categoryNumber(std::string_view name) const = 0;
};

// What a tree keeps of an entry besides its size and name, in 16 bits: the
// category of its name in the low 3 bits and, above them, how many whole days
// before the tree's age reference (FileTree::ageReference, the time of the
// scan) it was last changed. 13 bits hold 8,190 days (22 years; older entries
// count as that old) and one value for an entry whose change time is unknown.
namespace EntryStamp {

inline constexpr unsigned kCategories = 8;
// The category of a name nobody classified: the last, "everything else".
inline constexpr std::uint8_t kUnclassified = kCategories - 1;
inline constexpr int kUnknownAge = 0x1FFF;
inline constexpr int kMaxAgeDays = kUnknownAge - 1;
inline constexpr std::int64_t kSecondsPerDay = 86'400;
inline constexpr std::uint16_t kBlank =
    static_cast<std::uint16_t>(kUnknownAge << 3 | kUnclassified);

inline std::uint16_t make(std::uint8_t category, int ageDays) {
    return static_cast<std::uint16_t>(ageDays << 3 | (category & 7));
}
inline std::uint8_t category(std::uint16_t stamp) {
    return static_cast<std::uint8_t>(stamp & 7);
}
// Whole days; kUnknownAge when not known.
inline int ageDays(std::uint16_t stamp) {
    return stamp >> 3;
}
// The whole days from `mtime` to `reference` (both seconds since 1970),
// 0 for a change after the reference, at most kMaxAgeDays.
inline int daysBefore(std::int64_t reference, std::int64_t mtime) {
    if (mtime >= reference) {
        return 0;
    }
    const std::int64_t days = (reference - mtime) / kSecondsPerDay;
    return static_cast<int>(std::min<std::int64_t>(days, kMaxAgeDays));
}

}  // namespace EntryStamp

}  // namespace raumfuchs
