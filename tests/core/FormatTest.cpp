#include "core/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace raumfuchs {
namespace {

const std::string nbsp = "\u00A0";

TEST(FormatBytes, BelowOneKilobyteIsStillKilobytes) {
    EXPECT_EQ(Format::bytes(0), "0 KB");
    EXPECT_EQ(Format::bytes(499), "0 KB");
    EXPECT_EQ(Format::bytes(500), "1 KB");
    EXPECT_EQ(Format::bytes(999), "1 KB");
    EXPECT_EQ(Format::bytes(1000), "1 KB");
    EXPECT_EQ(Format::bytes(1024), "1 KB");
    EXPECT_EQ(Format::bytes(1499), "1 KB");
    EXPECT_EQ(Format::bytes(1500), "2 KB");
}

TEST(FormatBytes, FractionDigitsFollowTheUnit) {
    EXPECT_EQ(Format::bytes(123'456), "123 KB");
    EXPECT_EQ(Format::bytes(1'000'000), "1 MB");
    EXPECT_EQ(Format::bytes(1'250'000), "1,3 MB");  // half away from zero
    EXPECT_EQ(Format::bytes(1'150'000), "1,2 MB");
    EXPECT_EQ(Format::bytes(1'200'000'000), "1,2 GB");
    EXPECT_EQ(Format::bytes(1'234'567'890), "1,23 GB");
    EXPECT_EQ(Format::bytes(1'205'000'000), "1,21 GB");
    EXPECT_EQ(Format::bytes(1'000'000'000), "1 GB");
    EXPECT_EQ(Format::bytes(1'001'000'000), "1 GB");
    EXPECT_EQ(Format::bytes(2'500'000'000'000), "2,5 TB");
    EXPECT_EQ(Format::bytes(1'024'000'000'000), "1,02 TB");
}

TEST(FormatBytes, RoundingUpToAThousandMovesToTheNextUnit) {
    EXPECT_EQ(Format::bytes(999'499), "999 KB");
    EXPECT_EQ(Format::bytes(999'999), "1 MB");
    EXPECT_EQ(Format::bytes(999'960'000), "1 GB");
    EXPECT_EQ(Format::bytes(999'940'000), "999,9 MB");
    EXPECT_EQ(Format::bytes(999'996'000'000), "1 TB");
}

TEST(FormatBytes, NothingAboveTerabytes) {
    EXPECT_EQ(Format::bytes(5'000'000'000'000'000), "5.000 TB");
    EXPECT_EQ(Format::bytes(1'234'567'000'000'000), "1.234,57 TB");
    EXPECT_EQ(Format::bytes(std::numeric_limits<std::int64_t>::max()), "9.223.372,04 TB");
    EXPECT_EQ(Format::bytes(-1'500'000), "-1,5 MB");
    EXPECT_EQ(Format::bytes(std::numeric_limits<std::int64_t>::min()), "-9.223.372,04 TB");
}

TEST(FormatDuration, BelowTenSecondsWithOneFractionDigit) {
    EXPECT_EQ(Format::duration(0), "0,0 s");
    EXPECT_EQ(Format::duration(3.44), "3,4 s");
    EXPECT_EQ(Format::duration(3.46), "3,5 s");
    EXPECT_EQ(Format::duration(0.15), "0,2 s");  // the decimal value, not its binary neighbour
    EXPECT_EQ(Format::duration(0.25), "0,2 s");  // ties to even like the platform's formatter
    EXPECT_EQ(Format::duration(9.94), "9,9 s");
    EXPECT_EQ(Format::duration(9.96), "10,0 s");
}

TEST(FormatDuration, FromTenSecondsInMinutesAndSeconds) {
    EXPECT_EQ(Format::duration(10), "10 Sek.");
    EXPECT_EQ(Format::duration(59.9), "59 Sek.");
    EXPECT_EQ(Format::duration(60), "1 Min.");
    EXPECT_EQ(Format::duration(120.4), "2 Min.");
    EXPECT_EQ(Format::duration(61), "1 Min., 1 Sek.");
    EXPECT_EQ(Format::duration(3725), "62 Min., 5 Sek.");
    EXPECT_EQ(Format::duration(60'000), "1.000 Min.");
}

TEST(FormatPercent, NoShareOfANonPositiveWhole) {
    EXPECT_EQ(Format::percent(5, 0), "\u2013");
    EXPECT_EQ(Format::percent(5, -5), "\u2013");
    EXPECT_EQ(Format::percent(0, 0), "\u2013");
}

TEST(FormatPercent, OneFractionDigitBelowTenPercent) {
    EXPECT_EQ(Format::percent(999, 10'000), "10,0" + nbsp + "%");
    EXPECT_EQ(Format::percent(1000, 10'000), "10" + nbsp + "%");
    EXPECT_EQ(Format::percent(99, 1000), "9,9" + nbsp + "%");
    EXPECT_EQ(Format::percent(1, 1000), "0,1" + nbsp + "%");
    EXPECT_EQ(Format::percent(0, 1000), "0,0" + nbsp + "%");
    EXPECT_EQ(Format::percent(1, 3), "33" + nbsp + "%");
    EXPECT_EQ(Format::percent(2, 3), "67" + nbsp + "%");
    EXPECT_EQ(Format::percent(1, 4), "25" + nbsp + "%");
    EXPECT_EQ(Format::percent(1, 8), "12" + nbsp + "%");  // 12.5 ties to even
}

TEST(FormatPercent, NeitherClampedAboveHundredNorBelowZero) {
    EXPECT_EQ(Format::percent(3, 2), "150" + nbsp + "%");
    EXPECT_EQ(Format::percent(200, 1), "20.000" + nbsp + "%");
    EXPECT_EQ(Format::percent(-5, 100), "-5,0" + nbsp + "%");
    EXPECT_EQ(Format::percent(-50, 100), "-50,0" + nbsp + "%");
}

TEST(FormatInteger, GroupsOfThree) {
    EXPECT_EQ(Format::integer(0), "0");
    EXPECT_EQ(Format::integer(999), "999");
    EXPECT_EQ(Format::integer(1000), "1.000");
    EXPECT_EQ(Format::integer(12'345), "12.345");
    EXPECT_EQ(Format::integer(-1'234'567), "-1.234.567");
    EXPECT_EQ(Format::integer(std::numeric_limits<std::int64_t>::min()),
              "-9.223.372.036.854.775.808");
}

}  // namespace
}  // namespace raumfuchs
