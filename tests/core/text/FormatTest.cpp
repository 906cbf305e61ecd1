#include "core/text/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace raumfuchs {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(Format, BytesInDecimalKilobytesToTerabytes) {
    // Below 1 KB still in KB; rounding half away from zero; rounding up to a
    // thousand moves to the next unit; nothing above TB.
    // clang-format off
    const std::vector<std::pair<std::int64_t, std::string>> cases{
        {0, "0 KB"}, {499, "0 KB"}, {500, "1 KB"}, {999, "1 KB"}, {1000, "1 KB"}, {1500, "2 KB"},
        {999'499, "999 KB"}, {999'999, "1 MB"}, {1'250'000, "1,3 MB"}, {1'150'000, "1,2 MB"},
        {999'940'000, "999,9 MB"}, {999'960'000, "1 GB"}, {1'001'000'000, "1 GB"},
        {1'200'000'000, "1,2 GB"}, {1'205'000'000, "1,21 GB"}, {1'234'567'890, "1,23 GB"},
        {999'996'000'000, "1 TB"}, {1'024'000'000'000, "1,02 TB"}, {2'500'000'000'000, "2,5 TB"},
        {5'000'000'000'000'000, "5.000 TB"}, {1'234'567'000'000'000, "1.234,57 TB"},
        {kMax, "9.223.372,04 TB"}, {-1'500'000, "-1,5 MB"}, {kMin, "-9.223.372,04 TB"}};
    // clang-format on
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Format::bytes(bytes), text) << bytes;
    }
}

TEST(Format, DurationsWithOneFractionDigitBelowTenSeconds) {
    // 0.15 is rounded as the decimal value, 0.25 ties to even like the
    // platform's formatter.
    // clang-format off
    const std::vector<std::pair<double, std::string>> cases{
        {0, "0,0 s"}, {3.44, "3,4 s"}, {3.46, "3,5 s"}, {0.15, "0,2 s"}, {0.25, "0,2 s"},
        {9.94, "9,9 s"}, {9.96, "10,0 s"}, {10, "10 Sek."}, {59.9, "59 Sek."}, {60, "1 Min."},
        {61, "1 Min., 1 Sek."}, {120.4, "2 Min."}, {3725, "62 Min., 5 Sek."},
        {60'000, "1.000 Min."}};
    // clang-format on
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(Format::duration(seconds), text) << seconds;
    }
}

TEST(Format, PercentWithOneFractionDigitBelowTenAndNoneOfANonPositiveWhole) {
    // 9.99 % still gets a fraction digit, 12.5 ties to even, nothing is clamped.
    // clang-format off
    const std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> cases{
        {999, 10'000, "10,0"}, {1000, 10'000, "10"}, {99, 1000, "9,9"}, {0, 1000, "0,0"},
        {1, 3, "33"}, {2, 3, "67"}, {1, 8, "12"}, {3, 2, "150"}, {200, 1, "20.000"},
        {-5, 100, "-5,0"}, {-50, 100, "-50,0"}};
    // clang-format on
    for (const auto& [part, whole, text] : cases) {
        EXPECT_EQ(Format::percent(part, whole), text + "\u00A0%") << part << "/" << whole;
    }
    EXPECT_EQ(Format::percent(5, 0) + "|" + Format::percent(5, -5), "\u2013|\u2013");
    EXPECT_EQ(
        Format::integer(999) + " " + Format::integer(-1'234'567) + " " + Format::integer(kMin),
        "999 -1.234.567 -9.223.372.036.854.775.808");
    EXPECT_EQ(Format::files(1) + ", " + Format::files(0) + ", " + Format::files(12'345),
              "1 Datei, 0 Dateien, 12.345 Dateien");
}

}  // namespace
}  // namespace raumfuchs
