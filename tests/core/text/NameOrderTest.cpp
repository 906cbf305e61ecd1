#include "core/text/NameOrder.h"

#include <gtest/gtest.h>

namespace raumfuchs {
namespace {

TEST(NameOrder, NaturalCompare) {
    const char* const ascending[][2] = {
        {"Disk 9", "Disk 10"},  {"Disk 9b", "Disk 10a"},
        {"a2b", "a02c"},     // leading zeros do not count at first
        {"a2", "a02"},       // but decide between otherwise equal names
        {"apfel", "Apfel"},  // lower case first when nothing else differs
        {"Apfel", "birne"},  // case ignored at first
        {"Äpfel", "Birne"},     {"Apfel", "Äpfel"},
        {"Öl", "Pfeffer"},      {"Strasse", "Straße"},
        {"Straße", "Strassen"}, {"Disk 1", "Disk1"},
        {"Disk 99", "Diska"},   {"Disk", "Disk 2"},
        {"zebra", "\xff"}};  // invalid UTF-8 after letters
    for (const auto& [a, b] : ascending) {
        EXPECT_LT(NameOrder::localizedStandardCompare(a, b), 0) << a << " < " << b;
        EXPECT_GT(NameOrder::localizedStandardCompare(b, a), 0) << b << " > " << a;
    }
    EXPECT_EQ(NameOrder::localizedStandardCompare("Daten", "Daten"), 0);
}

}  // namespace
}  // namespace raumfuchs
